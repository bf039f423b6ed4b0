// Scoped holders for handles the library borrows for a moment: a window's DC,
// an object selected into a DC, a GDI object of its own, the clipboard while
// open, a locked global block and a C file.
#pragma once
#include <windows.h>
#include <cstdio>

class window_dc {
public:
    explicit window_dc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~window_dc() { if (dc_) ReleaseDC(window_, dc_); }
    window_dc(const window_dc&) = delete;
    window_dc& operator=(const window_dc&) = delete;
    operator HDC() const { return dc_; }
private:
    HWND window_;
    HDC dc_;
};

class selected_object {
public:
    selected_object(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~selected_object() { if (old_) SelectObject(dc_, old_); }
    selected_object(const selected_object&) = delete;
    selected_object& operator=(const selected_object&) = delete;
private:
    HDC dc_;
    HGDIOBJ old_;
};

// A GDI object made for one scope and deleted at its end.
class owned_object {
public:
    explicit owned_object(HGDIOBJ object) : object_(object) {}
    ~owned_object() { if (object_) DeleteObject(object_); }
    owned_object(const owned_object&) = delete;
    owned_object& operator=(const owned_object&) = delete;
    HGDIOBJ get() const { return object_; }
private:
    HGDIOBJ object_;
};

// The clipboard, open for `owner` until the scope ends.
struct clipboard_open {
    bool open;
    explicit clipboard_open(HWND owner) : open(OpenClipboard(owner) != 0) {}
    ~clipboard_open() { if (open) CloseClipboard(); }
    clipboard_open(const clipboard_open&) = delete;
    clipboard_open& operator=(const clipboard_open&) = delete;
};

// A global memory block locked until the scope ends; p is null when it failed.
struct global_lock {
    HGLOBAL h;
    BYTE* p;
    explicit global_lock(HGLOBAL block) : h(block), p(block ? (BYTE*)GlobalLock(block) : nullptr) {}
    ~global_lock() { if (p) GlobalUnlock(h); }
    global_lock(const global_lock&) = delete;
    global_lock& operator=(const global_lock&) = delete;
};

// A C file closed when the scope ends; f is null when it did not open.
struct c_file {
    FILE* f;
    explicit c_file(FILE* file) : f(file) {}
    ~c_file() { if (f) fclose(f); }
    c_file(const c_file&) = delete;
    c_file& operator=(const c_file&) = delete;
};
