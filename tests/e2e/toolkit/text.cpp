#include "text.h"

#include <windows.h>

namespace {

constexpr UINT SHIFT_JIS = 932;

// Each conversion asks for the length first; empty text converts to empty.
std::string Narrow(UINT codePage, const std::wstring& text)
{
    const int length = static_cast<int>(text.size());
    std::string bytes(
        WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, &bytes[0],
                        static_cast<int>(bytes.size()), nullptr, nullptr);
    return bytes;
}

std::wstring Widen(UINT codePage, const std::string& bytes)
{
    const int length = static_cast<int>(bytes.size());
    std::wstring text(MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, &text[0], static_cast<int>(text.size()));
    return text;
}

} // namespace

std::string Utf8(const std::wstring& text)
{
    return Narrow(CP_UTF8, text);
}

std::wstring FromUtf8(const std::string& bytes)
{
    return Widen(CP_UTF8, bytes);
}

std::string ShiftJis(const std::wstring& text)
{
    return Narrow(SHIFT_JIS, text);
}

std::wstring FromShiftJis(const std::string& bytes)
{
    return Widen(SHIFT_JIS, bytes);
}
