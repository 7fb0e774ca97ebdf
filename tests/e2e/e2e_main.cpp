// dusklid_e2e.exe [GTEST_FLAGS] DUSKLID_EXE WORK_ROOT SCREENSHOT_DIR
// All paths are Unix paths (the driver runs under Wine beside the program).
// GoogleTest's own flags (--gtest_filter, --gtest_repeat, --gtest_shuffle,
// --gtest_output=xml:FILE) work as everywhere. Ends with the line
// "e2e: N passed, N failed, N skipped", counted over every round.
#include <gtest/gtest.h>

#include <cstdio>

#include "toolkit/process.h"
#include "toolkit/text.h"

namespace {

// Counts every test that ends, over all rounds of --gtest_repeat; the
// framework's own totals cover the last round only.
class CountEveryRound : public ::testing::EmptyTestEventListener {
public:
    void OnTestEnd(const ::testing::TestInfo& test) override
    {
        const ::testing::TestResult& result = *test.result();
        if (result.Failed())
            ++failed;
        else if (result.Skipped())
            ++skipped;
        else
            ++passed;
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

    // The framework owns the listener once it is appended.
    CountEveryRound* count = new CountEveryRound;
    ::testing::UnitTest::GetInstance()->listeners().Append(count);
    const int status = RUN_ALL_TESTS();
    std::printf("e2e: %d passed, %d failed, %d skipped\n", count->passed, count->failed,
                count->skipped);
    return status;
}
