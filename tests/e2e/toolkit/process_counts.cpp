// Under Wine GetGuiResources, GetProcessHandleCount and PrivateUsage answer 0,
// so GDI objects are read from the GDI handle table that Wine keeps in the PEB
// as Windows does, handles from the system handle list, and memory from
// PagefileUsage (Wine's RssAnon plus VmSwap).
#include "process_counts.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <deque>
#include <vector>

#include "core/gdi_guards.h"

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
    BYTE objectType, flags;
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

} // namespace

long CountGdiObjects(HANDLE process, std::map<int, long>* byType)
{
    const auto query = NtdllFunction<QueryProcess>("NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic = {};
    UINT64 address = 0;
    std::vector<GdiHandleEntry> table(GDI_TABLE_ENTRIES);
    if (query == nullptr ||
        query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
        basic.PebBaseAddress == nullptr ||
        !ReadWhole(process,
                   reinterpret_cast<const BYTE*>(basic.PebBaseAddress) + PEB_GDI_TABLE_OFFSET,
                   &address, sizeof address) ||
        !ReadWhole(process, reinterpret_cast<const void*>(address), table.data(),
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
    long gdi[3], handles[3];  // before, with ten brushes and ten events, after
    const auto take = [&](int at) {
        gdi[at] = CountGdiObjects(self);
        handles[at] = CountHandles(self);
    };
    take(0);
    {
        std::deque<GdiObject<HBRUSH>> brushes;
        HANDLE events[10];
        for (int i = 0; i < 10; ++i) {
            brushes.emplace_back(CreateSolidBrush(RGB(i, 0, 0)));
            events[i] = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        }
        take(1);
        for (HANDLE event : events)
            CloseHandle(event);
    }
    take(2);
    std::fprintf(stderr,
                 "counting: own GDI objects %ld, %ld with ten brushes, %ld after; handles %ld, %ld "
                 "with ten events, %ld after; private %ld KiB\n",
                 gdi[0], gdi[1], gdi[2], handles[0], handles[1], handles[2],
                 PrivateKilobytes(self));
    const auto counts = [](const long* c) {
        return c[0] >= 0 && c[1] == c[0] + 10 && c[2] == c[0];
    };
    if (!counts(gdi))
        std::fprintf(stderr, "counting: the GDI handle table does not count\n");
    if (!counts(handles))
        std::fprintf(stderr, "counting: the system handle list does not count\n");
    return counts(gdi) && counts(handles);
}

// The names of the types in Wine's handle values.
std::string GdiTypeName(int type)
{
    static const std::map<int, std::string> names = {
        {0x01, "DC"}, {0x04, "region"}, {0x05, "DC-attached"}, {0x08, "palette"},
        {0x09, "bitmap"}, {0x0a, "font"}, {0x10, "brush"}, {0x30, "pen"}};
    const auto found = names.find(type);
    return found != names.end() ? found->second : "type " + std::to_string(type);
}
