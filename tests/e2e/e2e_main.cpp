// dusklid_e2e.exe DUSKLID_EXE WORK_ROOT SCREENSHOT_DIR [NAME_FILTER]
// All paths are Unix paths (the driver runs under Wine beside the program).
// Runs every registered test, or those whose name contains NAME_FILTER, and
// ends with the line "N passed, N failed".
#include "e2e_support.h"

#include <cstdio>
#include <string>

int TakeFailureCount();

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: dusklid_e2e DUSKLID_EXE WORK_ROOT SCREENSHOT_DIR [FILTER]\n");
        return 2;
    }
    Config().dusklidExe = UnixToWindowsPath(Utf8(argv[1]));
    Config().workRootUnix = Utf8(argv[2]);
    Config().screenshotUnix = Utf8(argv[3]);
    const std::string filter = argc > 4 ? Utf8(argv[4]) : std::string();

    int passed = 0;
    int failed = 0;
    for (const TestCase& test : AllTests()) {
        if (!filter.empty() && std::string(test.name).find(filter) == std::string::npos)
            continue;
        std::printf("[ RUN      ] %s\n", test.name);
        std::fflush(stdout);
        const DWORD start = GetTickCount();
        test.run();
        const DWORD elapsed = GetTickCount() - start;
        if (TakeFailureCount() == 0) {
            ++passed;
            std::printf("[       OK ] %s (%lu ms)\n", test.name, elapsed);
        } else {
            ++failed;
            std::printf("[  FAILED  ] %s (%lu ms)\n", test.name, elapsed);
        }
        std::fflush(stdout);
    }
    std::printf("e2e: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
