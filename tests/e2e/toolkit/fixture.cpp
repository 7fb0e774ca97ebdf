#include "fixture.h"

#include "files.h"

void FreshFolderTest::SetUp()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    workDir = MakeWorkDir((std::string(test->test_suite_name()) + "." + test->name()).c_str());
}

::testing::AssertionResult FreshFolderTest::Start(const std::string& preferences)
{
    if (!preferences.empty() && !WriteFileBytes(PreferencePath(workDir), preferences))
        return ::testing::AssertionFailure() << "cannot write preference.dat";
    if (!StartDusklidAndWait(dusklid, workDir))
        return ::testing::AssertionFailure() << "dusklid.exe did not start with a cover window";
    cover = FindCoverWindow();
    return ::testing::AssertionSuccess();
}

void DusklidTest::SetUp()
{
    FreshFolderTest::SetUp();
    ASSERT_TRUE(Start());
}
