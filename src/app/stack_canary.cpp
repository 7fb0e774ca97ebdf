// The stack canary for GCC's -fstack-protector: the value every protected
// function checks on return, and what happens when it no longer matches.
// GCC's own runtime (libssp) seeds the value through a CryptoAPI provider,
// which under Wine loads rsaenh, crypt32 and bcrypt before WinMain, a tenth
// of the start-up. RtlGenRandom gives the same random bytes without them, as
// the system's own cookie does. MSVC builds use /GS and do not compile this.
#include <windows.h>

#include <ntsecapi.h>

#include <cstdint>

extern "C" {

// Used until the seeding below has run; never zero, so a zeroed stack
// cannot pass for a canary.
std::uintptr_t __stack_chk_guard = 0x2B992DDFA232u;

// The stack is not to be trusted here: end at once and write nothing. As the
// system's own check does, through a fail-fast exception (__fastfail), which
// no handler can catch but error reporting and debuggers see.
[[noreturn]] void __stack_chk_fail(void)
{
    if (IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE))
        __asm__ volatile("int $0x29" : : "c"(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE) : "memory");
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();
}

}  // extern "C"

namespace {

// Runs among the constructors, before WinMain. It changes the value that it
// would itself check on return, so it must not be protected.
__attribute__((constructor, no_stack_protector)) void SeedStackCanary()
{
    std::uintptr_t seed = 0;
    if (!RtlGenRandom(&seed, sizeof seed)) {
        // What the system's cookie is made of when nothing better is there.
        LARGE_INTEGER counter = {};
        QueryPerformanceCounter(&counter);
        seed = static_cast<std::uintptr_t>(counter.QuadPart) ^ GetTickCount64() ^
               (static_cast<std::uintptr_t>(GetCurrentProcessId()) << 32) ^
               GetCurrentThreadId() ^ reinterpret_cast<std::uintptr_t>(&seed);
    }
    if (seed != 0)
        __stack_chk_guard = seed;
}

}  // namespace
