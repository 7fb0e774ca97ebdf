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

// Dialogs and the hot-corner picture.
#define IDD_PREFERENCES   103
#define IDD_COLOR_PICKER  104
#define IDB_HOT_CORNERS   105

// Controls of the preferences dialog.
#define IDC_RED                  1000
#define IDC_GREEN                1001
#define IDC_BLUE                 1002
#define IDC_CHOOSE_COLOR         1003
#define IDC_SHOW_PICTURE         1004
#define IDC_PICTURE_PATH         1005
#define IDC_BROWSE_PICTURE       1006
#define IDC_STRETCH              1007
#define IDC_CAPTURE_FOLDER       1008
#define IDC_BROWSE_FOLDER        1009
#define IDC_USE_HOT_CORNER       1018
#define IDC_CORNER_TOP_LEFT      1019
#define IDC_CORNER_TOP_RIGHT     1020
#define IDC_CORNER_BOTTOM_LEFT   1021
#define IDC_CORNER_BOTTOM_RIGHT  1022
#define IDC_DELAY                1023

// Controls of the colour picker.
#define IDC_RED_SLIDER    1010
#define IDC_GREEN_SLIDER  1011
#define IDC_BLUE_SLIDER   1012
#define IDC_SAMPLE        1013

// OK and Cancel of both dialogs. Not IDOK and IDCANCEL, so that the Escape
// key, which sends IDCANCEL, closes neither dialog.
#define IDC_OK            1014
#define IDC_CANCEL        1015
