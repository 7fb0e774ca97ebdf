// The program's version, in one place: the version resource, the window
// title, the tray tip, the about box and the release package's name all
// come from these numbers. Kept free of declarations so that the resource
// compiler can read it.
#pragma once

#define DUSKLID_VERSION_MAJOR  1
#define DUSKLID_VERSION_MINOR  6
#define DUSKLID_VERSION_PATCH  0
#define DUSKLID_VERSION_BUILD  0

#define DUSKLID_STRINGIFY_(text) #text
#define DUSKLID_STRINGIFY(text)  DUSKLID_STRINGIFY_(text)

// "1.6" for people, "1.6.0.0" for the version resource.
#define DUSKLID_VERSION_SHORT \
    DUSKLID_STRINGIFY(DUSKLID_VERSION_MAJOR.DUSKLID_VERSION_MINOR)
#define DUSKLID_VERSION_FULL \
    DUSKLID_STRINGIFY(DUSKLID_VERSION_MAJOR.DUSKLID_VERSION_MINOR.DUSKLID_VERSION_PATCH.DUSKLID_VERSION_BUILD)

// The window title and tray tip, and the first line of the about box.
#define DUSKLID_TITLE        "Dusklid v" DUSKLID_VERSION_SHORT
#define DUSKLID_ABOUT_TITLE  "ZvDusklid v" DUSKLID_VERSION_SHORT
