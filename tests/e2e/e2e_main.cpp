// dusklid_e2e.exe [GTEST_FLAGS] DUSKLID_EXE WORK_ROOT SCREENSHOT_DIR
// All paths are Unix paths (the driver runs under Wine beside the program).
// GoogleTest's own flags (--gtest_filter, --gtest_repeat, --gtest_shuffle,
// --gtest_output=xml:FILE) work as everywhere. Ends with the line
// "e2e: N passed, N failed".
#include <gtest/gtest.h>

#include <cstdio>

#include "toolkit/process.h"
#include "toolkit/text.h"

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

    const int status = RUN_ALL_TESTS();
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    std::printf("e2e: %d passed, %d failed\n", run.successful_test_count(),
                run.failed_test_count());
    return status;
}
