#include "files.h"

#include <windows.h>

#include <algorithm>

#include "core/identifiers.h"

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes.clear();
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return true;
}

std::string FileBytes(const std::wstring& path)
{
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> FileNames(const std::wstring& folder, const wchar_t* pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if (lstrcmpW(found.cFileName, L".") != 0 && lstrcmpW(found.cFileName, L"..") != 0)
            names.push_back(found.cFileName);
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring PreferencePath(const std::wstring& workDir)
{
    return workDir + L"\\" + PREFERENCE_FILE_NAME_W;
}

std::wstring PreferenceTemporaryPath(const std::wstring& workDir)
{
    return workDir + L"\\" + PREFERENCE_TEMPORARY_NAME_W;
}

std::wstring ReadMePath(const std::wstring& folder)
{
    return folder + L"\\" + README_FILE_NAME_W;
}

std::string PreferenceBytes(const PreferenceFields& fields)
{
    return "\x10" + std::to_string(fields.red) + "\n" + std::to_string(fields.green) + "\n" +
           std::to_string(fields.blue) + "\n" + fields.picture + "\n" + fields.stretch +
           fields.corner + fields.delay + "\n" + fields.folder;
}
