#include "app_state.h"

// Static storage: zero-initialised before WinMain runs.
AppState appState;
