#include "text.h"

#include <windows.h>

namespace {

constexpr UINT SHIFT_JIS = 932;

std::string Narrow(UINT codePage, const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length,
                        nullptr, nullptr);
    return bytes;
}

std::wstring Widen(UINT codePage, const std::string& bytes)
{
    if (bytes.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                           nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
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
