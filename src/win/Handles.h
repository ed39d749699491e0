#pragma once
// Scoped owners of platform handles: each closes its handle exactly once, with the function that
// belongs to it. Move-only.

#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <utility>

template <typename Traits>
class CScoped {
public:
    using Handle = typename Traits::Handle;

    CScoped() = default;
    explicit CScoped(Handle handle) : m_handle(handle) {}
    ~CScoped() { Reset(); }
    CScoped(const CScoped&) = delete;
    CScoped& operator=(const CScoped&) = delete;
    CScoped(CScoped&& other) noexcept : m_handle(other.Release()) {}
    CScoped& operator=(CScoped&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Handle Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    Handle Release()
    {
        Handle handle = m_handle;
        m_handle = Traits::Invalid();
        return handle;
    }
    void Reset(Handle handle = Traits::Invalid())
    {
        if (m_handle != Traits::Invalid())
            Traits::Close(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = Traits::Invalid();
};

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

// A C heap block (calloc/free): the form in which buffers travel between parts of the program and
// between threads. Release() hands the block on; the receiver frees it with std::free.
class CHeapBlock {
public:
    CHeapBlock() = default;
    // A zero-filled block of `size` bytes; Get() is null when the heap is exhausted.
    explicit CHeapBlock(std::size_t size)
        : m_block(std::calloc(size > 0 ? size : 1, 1)), m_size(m_block ? size : 0)
    {
    }
    ~CHeapBlock() { std::free(m_block); }
    CHeapBlock(const CHeapBlock&) = delete;
    CHeapBlock& operator=(const CHeapBlock&) = delete;
    CHeapBlock(CHeapBlock&& other) noexcept
        : m_block(std::exchange(other.m_block, nullptr)), m_size(std::exchange(other.m_size, 0))
    {
    }
    CHeapBlock& operator=(CHeapBlock&& other) noexcept
    {
        if (this != &other) {
            std::free(m_block);
            m_block = std::exchange(other.m_block, nullptr);
            m_size = std::exchange(other.m_size, 0);
        }
        return *this;
    }

    void* Get() const { return m_block; }
    template <typename T>
    T* As() const
    {
        return static_cast<T*>(m_block);
    }
    std::size_t Size() const { return m_size; }
    void* Release()
    {
        m_size = 0;
        return std::exchange(m_block, nullptr);
    }

private:
    void* m_block = nullptr;
    std::size_t m_size = 0;
};
