// Scoped holders for GDI handles the library borrows for a moment: a
// window's DC, and an object selected into a DC until the scope ends.
#pragma once
#include <windows.h>

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
