#include "ole_setup.h"

#include <windows.h>
#include <ole2.h>

#include "app_state.h"

bool EnsureOle()
{
    if (!appState.oleReady)
        appState.oleReady = SUCCEEDED(OleInitialize(nullptr));
    return appState.oleReady;
}

void EndOle()
{
    if (appState.oleReady)
        OleUninitialize();
    appState.oleReady = false;
}
