#pragma once
// Scoped owners of Win32 handles: each closes its handle exactly once, with the function that
// belongs to it.

#include "win/Scoped.h"

#include <windows.h>

template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::DeleteObject(handle); }
};

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::FreeLibrary(handle); }
};

// Kernel objects (threads, events) whose "no handle" is null.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::CloseHandle(handle); }
};

// Files, whose "no handle" is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { ::CloseHandle(handle); }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::DestroyIcon(handle); }
};

struct FindTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { ::FindClose(handle); }
};

using CBitmap = CScoped<GdiObjectTraits<HBITMAP>>;
using CModule = CScoped<ModuleTraits>;
using CHandle = CScoped<KernelHandleTraits>;
using CFileHandle = CScoped<FileHandleTraits>;
using CIcon = CScoped<IconTraits>;
using CFindHandle = CScoped<FindTraits>;
