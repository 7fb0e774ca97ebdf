#include "fixture.h"

#include "core/identifiers.h"
#include "files.h"
#include "text.h"

void FreshFolderTest::SetUp()
{
    // Each round of --gtest_repeat gets a new folder, free of an earlier round's files.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    workDir = MakeWorkDir(name.c_str());
    for (int round = 2; !FileNames(workDir).empty(); ++round)
        workDir = MakeWorkDir((name + "." + std::to_string(round)).c_str());
}

::testing::AssertionResult FreshFolderTest::Start(const std::string& preferences)
{
    return Start(dusklid, preferences);
}

::testing::AssertionResult FreshFolderTest::Start(DusklidProcess& process,
                                                  const std::string& preferences)
{
    if (!preferences.empty() && !WriteFileBytes(PreferencePath(workDir), preferences))
        return ::testing::AssertionFailure() << "cannot write " << PREFERENCE_FILE_NAME;
    if (!StartDusklidAndWait(process, workDir))
        return ::testing::AssertionFailure() << "dusklid.exe did not start with a cover window";
    cover = FindCoverWindow();
    return ::testing::AssertionSuccess();
}

void DusklidTest::SetUp()
{
    FreshFolderTest::SetUp();
    ASSERT_TRUE(Start());
}

::testing::AssertionResult AnswerBoxSaying(DWORD processId, int button, const wchar_t* caption,
                                           const wchar_t* text, MessageBoxSeen* seen)
{
    const MessageBoxSeen box = AnswerMessageBox(processId, button);
    if (seen != nullptr)
        *seen = box;
    const bool rightButtons = button == IDOK ? box.hasOk && !box.hasYesNo : box.hasYesNo;
    if (box.found && box.caption == caption && box.text == text && rightButtons && box.closed)
        return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "expected a box saying \"" << Utf8(caption) << ": " << Utf8(text) << "\"; ";
    if (!box.found)
        return failure << "none came";
    return failure << "one said \"" << Utf8(box.caption) << ": " << Utf8(box.text) << "\", offered "
                   << (box.hasYesNo ? "Yes and No" : "OK") << " and "
                   << (box.closed ? "closed" : "stayed open");
}

::testing::AssertionResult AnswerDeleteOffer(DWORD processId, int button)
{
    return AnswerBoxSaying(processId, button, L"確認",
                           L"環境設定ファイルの問題でソフトウェアが起動しなくなった場合は、\n"
                           L"環境設定ファイルを削除すると問題が解決することがあります。\n"
                           L"環境設定ファイルを削除しますか？");
}

::testing::AssertionResult AnswerDeletedNotice(DWORD processId)
{
    return AnswerBoxSaying(processId, IDOK, L"完了",
                           L"環境設定ファイルを削除しました。\n"
                           L"プログラムはいったん終了しますので、再度起動してみてください。");
}
