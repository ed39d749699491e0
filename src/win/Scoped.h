#pragma once
// The owner of one handle for the scope it lives in: it closes the handle exactly once, with the
// function that belongs to it (Traits::Close). Move-only. No platform headers: the portable PC/SC
// layer scopes its card handles with it too.

template <typename Traits>
class CScoped {
public:
    using Handle = typename Traits::Handle;

    CScoped() noexcept {}  // noexcept: a static object may hold one (the application object)
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
