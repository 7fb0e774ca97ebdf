// What happens when a delay-loaded library or function is missing. Without a
// hook the loader raises an exception that ends the program without a word,
// or vanishes inside a window procedure. Here each function the program
// calls gets a stand-in with its own signature that fails the way the real
// one does, so the feature that called it reports its failure and the
// program runs on.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <delayimp.h>
#include <ole2.h>
#include <olectl.h>

#include <cstring>

namespace {

// The loader's error, for the caller to read with GetLastError.
DWORD loadError = ERROR_MOD_NOT_FOUND;

HRESULT Failure()
{
    SetLastError(loadError);
    return HRESULT_FROM_WIN32(loadError);
}

BOOL WINAPI FailInitCommonControlsEx(const INITCOMMONCONTROLSEX*)
{
    SetLastError(loadError);
    return FALSE;
}

BOOL WINAPI FailGetOpenFileNameA(LPOPENFILENAMEA)
{
    SetLastError(loadError);
    return FALSE;
}

// Not zero, which would mean that the user cancelled.
DWORD WINAPI FailCommDlgExtendedError()
{
    return CDERR_INITIALIZATION;
}

HRESULT WINAPI FailOleInitialize(LPVOID)
{
    return Failure();
}

void WINAPI IgnoreOleUninitialize() {}

// Only the shell's folder browser hands memory to free; without ole32 it
// has none to hand.
void WINAPI IgnoreCoTaskMemFree(LPVOID) {}

HRESULT WINAPI FailCreateStreamOnHGlobal(HGLOBAL, BOOL, LPSTREAM* stream)
{
    *stream = nullptr;
    return Failure();
}

HRESULT WINAPI FailOleLoadPicture(LPSTREAM, LONG, BOOL, REFIID, LPVOID* picture)
{
    *picture = nullptr;
    return Failure();
}

// Compiles only when the stand-in has exactly the real function's type,
// calling convention included.
template <typename Function>
FARPROC StandIn(Function* standIn)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(standIn));
}

struct NamedStandIn {
    const char* name;
    FARPROC function;
};

// Every function named in cmake/delay-load/*.def.
const NamedStandIn STAND_INS[] = {
    {"InitCommonControlsEx", StandIn<decltype(InitCommonControlsEx)>(FailInitCommonControlsEx)},
    {"GetOpenFileNameA", StandIn<decltype(GetOpenFileNameA)>(FailGetOpenFileNameA)},
    {"CommDlgExtendedError", StandIn<decltype(CommDlgExtendedError)>(FailCommDlgExtendedError)},
    {"OleInitialize", StandIn<decltype(OleInitialize)>(FailOleInitialize)},
    {"OleUninitialize", StandIn<decltype(OleUninitialize)>(IgnoreOleUninitialize)},
    {"CoTaskMemFree", StandIn<decltype(CoTaskMemFree)>(IgnoreCoTaskMemFree)},
    {"CreateStreamOnHGlobal", StandIn<decltype(CreateStreamOnHGlobal)>(FailCreateStreamOnHGlobal)},
    {"OleLoadPicture", StandIn<decltype(OleLoadPicture)>(FailOleLoadPicture)},
};

FARPROC WINAPI OnDelayLoadFailure(unsigned notification, PDelayLoadInfo info)
{
    const HMODULE program = GetModuleHandleA(nullptr);
    switch (notification) {
    case dliFailLoadLib:
        // A module that exports none of the library's functions: each one
        // then comes back here as dliFailGetProc and gets its stand-in, which
        // goes into the import table, so the library is not looked for again.
        loadError = info->dwLastError;
        return reinterpret_cast<FARPROC>(program);
    case dliFailGetProc:
        if (info->hmodCur != program)
            loadError = info->dwLastError;
        if (info->dlp.fImportByName)
            for (const NamedStandIn& standIn : STAND_INS)
                if (std::strcmp(standIn.name, info->dlp.szProcName) == 0)
                    return standIn.function;
        return nullptr;  // the loader's exception, as without this hook
    default:
        return nullptr;
    }
}

} // namespace

// Declared by <delayimp.h>: const in MSVC's runtime, not in MinGW-w64's.
extern "C" {
#ifdef _MSC_VER
const
#endif
PfnDliHook __pfnDliFailureHook2 = OnDelayLoadFailure;
}
