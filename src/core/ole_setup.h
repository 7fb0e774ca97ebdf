// OLE for the GUI thread, set up the first time something needs it: the
// picture decoder or a browse dialog. Setting it up loads several libraries,
// so a program that shows neither starts without it.
#pragma once

// Sets OLE up on the calling (GUI) thread unless it already is. False when
// it could not be; callers go on, as the decoder or dialog then fails by
// itself and says so.
bool EnsureOle();

// Undoes a successful EnsureOle, at the end of the run.
void EndOle();
