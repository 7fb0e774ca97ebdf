// The fixtures the tests start from: a fresh working folder named after the
// test, and Dusklid started in it with its cover window found.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dialogs.h"
#include "process.h"

class FreshFolderTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Writes `preferences` as preference.dat (none when empty), starts
    // Dusklid (as `dusklid`, or `process`) in the folder and finds its cover.
    ::testing::AssertionResult Start(const std::string& preferences = "");
    ::testing::AssertionResult Start(DusklidProcess& process, const std::string& preferences);

    std::wstring workDir;
    DusklidProcess dusklid;
    HWND cover = nullptr;
};

// Dusklid started with its default settings in a fresh folder.
class DusklidTest : public FreshFolderTest {
protected:
    void SetUp() override;
};

// Answers the next message box of `processId` with `button`; fails unless it
// came with this caption and text, offered that button (OK alone, or Yes and
// No) and closed. `seen`, when given, receives the box, owner and all.
::testing::AssertionResult AnswerBoxSaying(DWORD processId, int button, const wchar_t* caption,
                                           const wchar_t* text, MessageBoxSeen* seen = nullptr);

// The offer to delete a preference file the program cannot use, answered with
// `button` (IDYES or IDNO); and the notice that a Yes has deleted it.
::testing::AssertionResult AnswerDeleteOffer(DWORD processId, int button);
::testing::AssertionResult AnswerDeletedNotice(DWORD processId);
