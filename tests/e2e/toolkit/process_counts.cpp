// Under Wine GetGuiResources and GetProcessHandleCount answer 0 and
// PrivateUsage stays 0, so:
// - GDI objects: the entries in use in the process's GDI handle table, whose
//   address Wine keeps in the PEB (GdiSharedHandleTable) as Windows does,
//   read with ReadProcessMemory; exact, and it costs the process nothing.
// - Handles: the system handle list, which Wine's server fills with every
//   handle and its owner.
// - Memory: PagefileUsage, which Wine fills from /proc/PID/status as RssAnon
//   plus VmSwap.
#include "process_counts.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <vector>

namespace {

// One entry of the GDI handle table as Windows and Wine lay it out (64-bit).
struct GdiHandleEntry {
    UINT64 object;
    ULONG owner;
    UCHAR extType;  // bits 0-6 the object type, bit 7 set for a stock object
    UCHAR generation;
    UCHAR type;     // 0 for a free entry
    UCHAR flags;
    UINT64 userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the table's entry layout");

constexpr size_t GDI_TABLE_ENTRIES = 0x10000;
constexpr size_t PEB_GDI_TABLE_OFFSET = 0xF8;  // PEB64.GdiSharedHandleTable

// One entry of the system handle list.
struct SystemHandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

constexpr ULONG SYSTEM_HANDLE_INFORMATION_CLASS = 16;
constexpr NTSTATUS STATUS_LENGTH_MISMATCH = static_cast<NTSTATUS>(0xC0000004L);

using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
using QuerySystem = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

template <typename Function>
Function NtdllFunction(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

bool ReadWhole(HANDLE process, const void* address, void* into, size_t size)
{
    SIZE_T read = 0;
    return ReadProcessMemory(process, address, into, size, &read) && read == size;
}

// The address of the process's GDI handle table, or 0.
UINT64 GdiTableAddress(HANDLE process)
{
    const auto query = NtdllFunction<QueryProcess>("NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic = {};
    UINT64 table = 0;
    if (query == nullptr ||
        query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
        basic.PebBaseAddress == nullptr ||
        !ReadWhole(process,
                   reinterpret_cast<const BYTE*>(basic.PebBaseAddress) + PEB_GDI_TABLE_OFFSET,
                   &table, sizeof table))
        return 0;
    return table;
}

} // namespace

long CountGdiObjects(HANDLE process, std::map<int, long>* byType)
{
    const UINT64 address = GdiTableAddress(process);
    std::vector<GdiHandleEntry> table(GDI_TABLE_ENTRIES);
    if (address == 0 || !ReadWhole(process, reinterpret_cast<const void*>(address), table.data(),
                                   table.size() * sizeof table[0]))
        return -1;
    long count = 0;
    for (const GdiHandleEntry& entry : table) {
        if (entry.type == 0 || (entry.extType & 0x80) != 0)
            continue;
        ++count;
        if (byType != nullptr)
            ++(*byType)[entry.extType & 0x7f];
    }
    return count;
}

long CountHandles(HANDLE process)
{
    const auto query = NtdllFunction<QuerySystem>("NtQuerySystemInformation");
    if (query == nullptr)
        return -1;
    std::vector<BYTE> buffer(1 << 20);
    NTSTATUS status;
    ULONG needed = 0;
    while ((status = query(SYSTEM_HANDLE_INFORMATION_CLASS, buffer.data(),
                           static_cast<ULONG>(buffer.size()), &needed)) == STATUS_LENGTH_MISMATCH &&
           buffer.size() < (64u << 20))
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const ULONG entries = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entry =
        reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    const DWORD processId = GetProcessId(process);
    long count = 0;
    for (ULONG i = 0; i < entries; ++i)
        if (entry[i].ownerProcessId == processId)
            ++count;
    return count;
}

long PrivateKilobytes(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters) ||
        counters.PagefileUsage == 0)
        return -1;
    return static_cast<long>(counters.PagefileUsage / 1024);
}

bool CountingWorks()
{
    HANDLE self = GetCurrentProcess();
    const long gdiBefore = CountGdiObjects(self);
    const long handlesBefore = CountHandles(self);
    HBRUSH brushes[10];
    HANDLE events[10];
    for (int i = 0; i < 10; ++i) {
        brushes[i] = CreateSolidBrush(RGB(i, 0, 0));
        events[i] = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    const long gdiDuring = CountGdiObjects(self);
    const long handlesDuring = CountHandles(self);
    for (int i = 0; i < 10; ++i) {
        DeleteObject(brushes[i]);
        CloseHandle(events[i]);
    }
    const long gdiAfter = CountGdiObjects(self);
    const long handlesAfter = CountHandles(self);
    std::fprintf(stderr,
                 "counting: own GDI objects %ld, %ld with ten brushes, %ld after; handles %ld, %ld "
                 "with ten events, %ld after; private %ld KiB\n",
                 gdiBefore, gdiDuring, gdiAfter, handlesBefore, handlesDuring, handlesAfter,
                 PrivateKilobytes(self));
    const bool gdiCounts = gdiBefore >= 0 && gdiDuring == gdiBefore + 10 && gdiAfter == gdiBefore;
    const bool handlesCount =
        handlesBefore >= 0 && handlesDuring == handlesBefore + 10 && handlesAfter == handlesBefore;
    if (!gdiCounts)
        std::fprintf(stderr, "counting: the GDI handle table does not count\n");
    if (!handlesCount)
        std::fprintf(stderr, "counting: the system handle list does not count\n");
    return gdiCounts && handlesCount;
}

// The names of the types in Wine's handle values.
std::string GdiTypeName(int type)
{
    switch (type) {
    case 0x01: return "DC";
    case 0x04: return "region";
    case 0x05: return "DC-attached";
    case 0x08: return "palette";
    case 0x09: return "bitmap";
    case 0x0a: return "font";
    case 0x10: return "brush";
    case 0x30: return "pen";
    default: return "type " + std::to_string(type);
    }
}
