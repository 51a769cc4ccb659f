// Ownership of Windows resources: one move-only handle template with traits, a COM pointer,
// a BSTR and a VARIANT guard. Every path out of a routine releases what it took.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace qm::win {

// Traits give the invalid value and the close call.
template <typename Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(h) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }

    Handle Get() const { return h_; }
    bool Valid() const { return h_ != Traits::Invalid(); }
    explicit operator bool() const { return Valid(); }
    Handle Release() {
        Handle h = h_;
        h_ = Traits::Invalid();
        return h;
    }
    void Reset(Handle h = Traits::Invalid()) {
        Close();
        h_ = h;
    }
    void Close() {
        if (Valid()) Traits::Close(h_);
        h_ = Traits::Invalid();
    }

  private:
    Handle h_ = Traits::Invalid();
};

// What "no handle" is for a kind of handle: null, or INVALID_HANDLE_VALUE (-1).
enum class NoHandle { Null, MinusOne };

// The traits of a handle of type H that CloseFn closes.
template <typename H, auto CloseFn, NoHandle None = NoHandle::Null>
struct HandleTraits {
    using Handle = H;
    static Handle Invalid() {
        if constexpr (None == NoHandle::MinusOne)
            return INVALID_HANDLE_VALUE;
        else
            return nullptr;
    }
    static void Close(Handle h) { CloseFn(h); }
};

using UniqueFind = UniqueHandle<HandleTraits<HANDLE, ::FindClose, NoHandle::MinusOne>>;
using UniqueFile = UniqueHandle<HandleTraits<HANDLE, ::CloseHandle, NoHandle::MinusOne>>;
// Process, thread, event: null when absent.
using UniqueKernelHandle = UniqueHandle<HandleTraits<HANDLE, ::CloseHandle>>;
using UniqueRegKey = UniqueHandle<HandleTraits<HKEY, ::RegCloseKey>>;
using UniqueGdiObject = UniqueHandle<HandleTraits<HGDIOBJ, ::DeleteObject>>;
using UniqueFont = UniqueHandle<HandleTraits<HFONT, ::DeleteObject>>;
using UniqueIcon = UniqueHandle<HandleTraits<HICON, ::DestroyIcon>>;
using UniqueModule = UniqueHandle<HandleTraits<HMODULE, ::FreeLibrary>>;
using UniqueGlobal = UniqueHandle<HandleTraits<HGLOBAL, ::GlobalFree>>;
// Item-id lists and other shell allocations.
using UniqueCoTaskMem = UniqueHandle<HandleTraits<void*, ::CoTaskMemFree>>;

// A device context obtained with GetDC, released with ReleaseDC.
class WindowDC {
  public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// Selects a GDI object into a DC for the guard's lifetime.
class SelectGuard {
  public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard() {
        if (old_) ::SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// Move-only owning COM pointer.
template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : p_(o.Detach()) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            Reset();
            p_ = o.Detach();
        }
        return *this;
    }
    // Takes over a reference the caller owns.
    static ComPtr Attach(T* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void Reset() {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }
    template <typename U>
    HRESULT As(ComPtr<U>& out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(__uuidof(U), out.PutVoid());
    }

  private:
    T* p_ = nullptr;
};

// An owned BSTR.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(const wchar_t* s) : b_(::SysAllocString(s)) {}
    Bstr(const wchar_t* s, UINT len) : b_(::SysAllocStringLen(s, len)) {}
    ~Bstr() { ::SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept : b_(o.Detach()) {}
    Bstr& operator=(Bstr&& o) noexcept {
        if (this != &o) {
            ::SysFreeString(b_);
            b_ = o.Detach();
        }
        return *this;
    }
    BSTR Get() const { return b_; }
    BSTR* Put() {
        ::SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    BSTR Detach() {
        BSTR b = b_;
        b_ = nullptr;
        return b;
    }
    UINT Length() const { return ::SysStringLen(b_); }

  private:
    BSTR b_ = nullptr;
};

// A VARIANT that is cleared when it goes out of scope.
class Variant {
  public:
    Variant() { ::VariantInit(&v_); }
    ~Variant() { ::VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* Get() { return &v_; }
    const VARIANT* Get() const { return &v_; }
    VARIANT* operator->() { return &v_; }
    void Clear() { ::VariantClear(&v_); }

  private:
    VARIANT v_;
};

}  // namespace qm::win
