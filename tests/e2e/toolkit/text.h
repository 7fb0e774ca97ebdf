// Text between the driver's UTF-16, UTF-8 (printing, Unix paths) and the
// program's ANSI code page (Shift-JIS), in which its files hold paths.
#pragma once

#include <string>

std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& bytes);
std::string ShiftJis(const std::wstring& text);
std::wstring FromShiftJis(const std::string& bytes);
