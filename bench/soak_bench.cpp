// soak_bench.exe DUSKLID_EXE WORK_ROOT full|smoke (being written).
#include "bench_support.h"

int wmain(int argc, wchar_t** argv)
{
    BenchOptions options;
    return ReadBenchArguments(argc, argv, "soak_bench", options) ? 0 : 2;
}
