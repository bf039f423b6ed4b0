// A 32-bit top-down DIB section selected into a memory DC for its scope: what
// the tests paint or copy pixels into before they read them.
#pragma once
#include <windows.h>

namespace bench {

class canvas {
public:
    canvas(int width, int height) : dc_(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    canvas(const canvas&) = delete;
    canvas& operator=(const canvas&) = delete;
    HDC dc() const { return dc_; }
    // The pixels (0x00RRGGBB in their low bytes), once GDI has finished drawing.
    const DWORD* pixels() const
    {
        GdiFlush();
        return static_cast<const DWORD*>(bits_);
    }

private:
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

}  // namespace bench
