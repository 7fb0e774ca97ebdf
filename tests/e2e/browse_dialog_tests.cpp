// The preferences dialog's two browse buttons: the system's open-file
// dialog for the picture and the folder browser for the capture folder.
#include "e2e_support.h"

#include "resource.h"
