#pragma once

// True when the path names an existing file or folder.
bool FileExists(const char* path);
