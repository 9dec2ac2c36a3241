// Move-only owners for Win32 handles, and guards that undo a temporary change.
#pragma once

#include <windows.h>

#include <utility>

namespace cl {

// Owns one handle; Traits::Close releases it, Traits::Invalid() is the empty value.
template <class Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept
    {
        reset(o.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }
    Handle release() noexcept { return std::exchange(h_, Traits::Invalid()); }
    void reset(Handle h = Traits::Invalid()) noexcept
    {
        Handle old = std::exchange(h_, h);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle h_ = Traits::Invalid();
};

namespace traits {
struct Kernel { using Handle = HANDLE; static Handle Invalid() { return nullptr; } static void Close(Handle h) { CloseHandle(h); } };
struct File { using Handle = HANDLE; static Handle Invalid() { return INVALID_HANDLE_VALUE; } static void Close(Handle h) { CloseHandle(h); } };
template <class H> struct Gdi { using Handle = H; static Handle Invalid() { return nullptr; } static void Close(Handle h) { DeleteObject(h); } };
struct Dc { using Handle = HDC; static Handle Invalid() { return nullptr; } static void Close(Handle h) { DeleteDC(h); } };
struct Icon { using Handle = HICON; static Handle Invalid() { return nullptr; } static void Close(Handle h) { DestroyIcon(h); } };
struct Cursor { using Handle = HCURSOR; static Handle Invalid() { return nullptr; } static void Close(Handle h) { DestroyCursor(h); } };
struct Menu { using Handle = HMENU; static Handle Invalid() { return nullptr; } static void Close(Handle h) { DestroyMenu(h); } };
struct Key { using Handle = HKEY; static Handle Invalid() { return nullptr; } static void Close(Handle h) { RegCloseKey(h); } };
struct Module { using Handle = HMODULE; static Handle Invalid() { return nullptr; } static void Close(Handle h) { FreeLibrary(h); } };
struct Window { using Handle = HWND; static Handle Invalid() { return nullptr; } static void Close(Handle h) { DestroyWindow(h); } };
struct Hook { using Handle = HHOOK; static Handle Invalid() { return nullptr; } static void Close(Handle h) { UnhookWindowsHookEx(h); } };
struct Find { using Handle = HANDLE; static Handle Invalid() { return INVALID_HANDLE_VALUE; } static void Close(Handle h) { FindClose(h); } };
} // namespace traits

using KernelHandle = UniqueHandle<traits::Kernel>;  // events, mutexes, threads, processes
using FileHandle = UniqueHandle<traits::File>;
using BitmapHandle = UniqueHandle<traits::Gdi<HBITMAP>>;
using BrushHandle = UniqueHandle<traits::Gdi<HBRUSH>>;
using PenHandle = UniqueHandle<traits::Gdi<HPEN>>;
using FontHandle = UniqueHandle<traits::Gdi<HFONT>>;
using RegionHandle = UniqueHandle<traits::Gdi<HRGN>>;
using PaletteHandle = UniqueHandle<traits::Gdi<HPALETTE>>;
using MemoryDc = UniqueHandle<traits::Dc>;          // CreateCompatibleDC / CreateDC
using IconHandle = UniqueHandle<traits::Icon>;
using CursorHandle = UniqueHandle<traits::Cursor>;
using MenuHandle = UniqueHandle<traits::Menu>;
using KeyHandle = UniqueHandle<traits::Key>;
using ModuleHandle = UniqueHandle<traits::Module>;  // LoadLibrary
using WindowHandle = UniqueHandle<traits::Window>;
using HookHandle = UniqueHandle<traits::Hook>;
using FindHandle = UniqueHandle<traits::Find>;      // FindFirstFile

// A device context borrowed from a window with GetDC / GetWindowDC.
class WindowDc {
public:
    explicit WindowDc(HWND wnd, bool whole = false) : wnd_(wnd), dc_(whole ? GetWindowDC(wnd) : GetDC(wnd)) {}
    ~WindowDc()
    {
        if (dc_) ReleaseDC(wnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND wnd) : wnd_(wnd), dc_(BeginPaint(wnd, &ps_)) {}
    ~PaintDc() { EndPaint(wnd_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return dc_; }
    const PAINTSTRUCT& Info() const { return ps_; }

private:
    HWND wnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Selects an object into a DC for the guard's life and puts the old one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard()
    {
        if (old_) SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// SaveDC / RestoreDC.
class SavedDc {
public:
    explicit SavedDc(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
    ~SavedDc()
    {
        if (id_) RestoreDC(dc_, id_);
    }
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;

private:
    HDC dc_;
    int id_;
};

} // namespace cl
