// dusklid_e2e.exe DUSKLID_EXE WORK_ROOT SCREENSHOT_DIR [NAME_FILTER]
// All paths are Unix paths (the driver runs under Wine beside the program).
// Runs every registered test, or those whose name contains one of the
// comma-separated parts of NAME_FILTER, and ends with the line
// "N passed, N failed".
#include "e2e_support.h"

#include <cstdio>
#include <string>

int TakeFailureCount();

namespace {

bool MatchesFilter(const std::string& name, const std::string& filter)
{
    if (filter.empty())
        return true;
    size_t start = 0;
    while (start <= filter.size()) {
        size_t end = filter.find(',', start);
        if (end == std::string::npos)
            end = filter.size();
        const std::string part = filter.substr(start, end - start);
        if (!part.empty() && name.find(part) != std::string::npos)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: dusklid_e2e DUSKLID_EXE WORK_ROOT SCREENSHOT_DIR [NAME_FILTER]\n");
        return 2;
    }
    Config().dusklidExe = UnixToWindowsPath(Utf8(argv[1]));
    Config().workRootUnix = Utf8(argv[2]);
    Config().screenshotUnix = Utf8(argv[3]);
    const std::string filter = argc > 4 ? Utf8(argv[4]) : std::string();

    int passed = 0;
    int failed = 0;
    for (const TestCase& test : AllTests()) {
        if (!MatchesFilter(test.name, filter))
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
