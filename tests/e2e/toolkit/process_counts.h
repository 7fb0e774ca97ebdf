// What a process holds, counted from outside in ways that work under Wine.
#pragma once

#include <windows.h>

#include <map>
#include <string>

// GDI objects in use, stock objects left out; with how many of each type
// (GDI_BITMAP, ...) in `byType`. -1 when unreadable.
long CountGdiObjects(HANDLE process, std::map<int, long>* byType = nullptr);
constexpr int GDI_BITMAP = 0x09;

// Kernel handles; -1 when unknown.
long CountHandles(HANDLE process);

// Private memory in KiB; -1 when unknown.
long PrivateKilobytes(HANDLE process);

// Whether each way of counting sees ten objects this process makes and frees
// itself; one that does not would report flat figures for a leaking program.
bool CountingWorks();

// A name for a type of `byType`, for diagnostics.
std::string GdiTypeName(int type);
constexpr int GDI_REGION = 0x04;
