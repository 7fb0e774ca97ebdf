// The fixtures the tests start from: a fresh working folder named after the
// test, and Dusklid started in it with its cover window found.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "process.h"

class FreshFolderTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Writes `preferences` as preference.dat (none when empty), starts
    // Dusklid in the folder and waits for its cover window.
    ::testing::AssertionResult Start(const std::string& preferences = "");

    std::wstring workDir;
    DusklidProcess dusklid;
    HWND cover = nullptr;
};

// Dusklid started with its default settings in a fresh folder.
class DusklidTest : public FreshFolderTest {
protected:
    void SetUp() override;
};
