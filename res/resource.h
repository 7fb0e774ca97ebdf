// Every resource and command id of the program, shared by dusklid.rc and the
// code. Kept free of declarations so that the resource compiler can read it.
#pragma once

#define IDI_DUSKLID       101   // class icon, 32x32
#define IDI_DUSKLID_TRAY  102   // notification-area icon, 16x16

// Tray menu commands.
#define IDM_COVER         500
#define IDM_CAPTURE       501
#define IDM_PREFERENCES   502
#define IDM_HELP          503
#define IDM_ABOUT         504
#define IDM_EXIT          505
