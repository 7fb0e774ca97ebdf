// dusklid_e2e.exe [GTEST_FLAGS] DUSKLID_EXE WORK_ROOT SCREENSHOT_DIR, all
// Unix paths (the driver runs under Wine beside the program). Ends with
// "e2e: N passed, N failed, N skipped", counted over every round.
#include <gtest/gtest.h>

#include <cstdio>

#include "toolkit/process.h"
#include "toolkit/text.h"

namespace {

// The framework's own totals cover the last round of --gtest_repeat only.
struct CountEveryRound : ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& test) override
    {
        const ::testing::TestResult& result = *test.result();
        ++(result.Failed() ? failed : result.Skipped() ? skipped : passed);
    }
    int passed = 0;
    int failed = 0;
    int skipped = 0;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: dusklid_e2e [GTEST_FLAGS] DUSKLID_EXE WORK_ROOT SCREENSHOT_DIR\n");
        return 2;
    }
    Config().dusklidExe = UnixToWindowsPath(Utf8(argv[1]));
    Config().workRootUnix = Utf8(argv[2]);
    Config().screenshotUnix = Utf8(argv[3]);
    auto* count = new CountEveryRound;  // the framework owns it once appended
    ::testing::UnitTest::GetInstance()->listeners().Append(count);
    const int status = RUN_ALL_TESTS();
    std::printf("e2e: %d passed, %d failed, %d skipped\n", count->passed, count->failed,
                count->skipped);
    return status;
}
