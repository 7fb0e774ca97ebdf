// The Unix side, reached from the Windows driver: shell commands, the X
// pointer (as a person moves it), drive letters, screenshots and pictures
// made with ImageMagick.
#pragma once

#include <string>

#include <windows.h>

// Runs a shell command line on the Unix side; true when it exits with 0.
// The second also gives what it writes to its standard output.
bool RunUnixCommand(const std::string& command);
bool RunUnixCommandOutput(const std::string& command, std::string& output);

// Runs `xdotool ARGS` against the X server and waits for it to finish.
bool Xdo(const std::string& arguments);

// Moves the X pointer and waits until Windows reports the new position;
// ClickAt then clicks the left button there.
bool MovePointer(int x, int y);
void ClickAt(int x, int y);

// A Wine drive letter for a Unix folder, optionally a small tmpfs mounted
// there; both go again when the test ends. Mounting needs root, which CI has.
// Also a short root for paths of an exact length, which then do not depend
// on where the checkout lies.
struct WineDrive {
    std::string link;
    std::string mountPoint;
    std::wstring root;  // "S:" for the letter 's'
    bool ready = false;

    WineDrive(char letter, const std::string& folder, const char* tmpfsSize = nullptr);
    ~WineDrive();
    WineDrive(const WineDrive&) = delete;
    WineDrive& operator=(const WineDrive&) = delete;
};

// A fresh folder of a short path outside the checkout (under /tmp), for a
// test that walks the folder browser's tree to it; removed when it goes.
struct ShortUnixFolder {
    std::string unixPath;
    std::wstring path;  // its Windows path; empty when it could not be made
    ShortUnixFolder();
    ~ShortUnixFolder();
    ShortUnixFolder(const ShortUnixFolder&) = delete;
    ShortUnixFolder& operator=(const ShortUnixFolder&) = delete;
};

// A PNG of the whole X screen, or of the window's rectangle, in the
// screenshot folder.
void Screenshot(const char* name);
void ScreenshotWindow(const char* name, HWND window);

// Makes a picture with ImageMagick's convert (`convertArguments` describe the
// image; the output name's extension picks the format) in a shared pictures
// folder, and returns its Windows path; empty on failure.
std::wstring MakePicture(const char* name, const std::string& convertArguments);
