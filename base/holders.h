// Scoped holders: every resource that must be given back is held by one
// template, so that each early return gives it back exactly once. A kind of
// handle is a small traits struct (its empty value and how it is given back,
// with whatever the giving back needs, such as the window a DC came from) and
// a one-line alias. Holders cannot be copied; they can be moved, and release()
// hands the resource over to code that takes charge of it.
#pragma once
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <utility>

template <class Traits> class holder {
public:
    using handle_type = typename Traits::handle;

    holder() = default;
    explicit holder(handle_type h, Traits traits = Traits()) : h_(h), traits_(traits) {}
    ~holder() { reset(); }
    holder(const holder&) = delete;
    holder& operator=(const holder&) = delete;
    holder(holder&& other) : h_(other.release()), traits_(other.traits_) {}
    holder& operator=(holder&& other)
    {
        if (this != &other) {
            reset(other.release());
            traits_ = other.traits_;
        }
        return *this;
    }

    handle_type get() const { return h_; }
    // For calls that hand a resource back through a pointer: the old one is given back first.
    handle_type* receive()
    {
        reset();
        return &h_;
    }
    explicit operator bool() const { return h_ != Traits::none(); }
    // Gives up the resource without giving it back.
    handle_type release() { return std::exchange(h_, Traits::none()); }
    // Gives the resource back now (once), and holds h instead.
    void reset(handle_type h = Traits::none())
    {
        handle_type old = std::exchange(h_, h);
        if (old != Traits::none()) traits_.close(old);
    }

private:
    handle_type h_ = Traits::none();
    Traits traits_;
};

// Traits for handles whose empty value is null and whose release needs nothing else.
template <class H, void (*Close)(H)> struct null_handle_traits {
    using handle = H;
    static H none() { return nullptr; }
    void close(H h) const { Close(h); }
};

namespace holder_detail {
inline void find_close(HANDLE h) { FindClose(h); }
inline void handle_close(HANDLE h) { CloseHandle(h); }
inline void key_close(HKEY k) { RegCloseKey(k); }
inline void file_close(FILE* f) { fclose(f); }
inline void heap_free(void* p) { free(p); }
template <class G> void gdi_delete(G object) { DeleteObject(object); }
}  // namespace holder_detail

// Kernel handles whose failure value is INVALID_HANDLE_VALUE.
template <void (*Close)(HANDLE)> struct invalid_handle_traits {
    using handle = HANDLE;
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    void close(HANDLE h) const { Close(h); }
};
using find_handle = holder<invalid_handle_traits<holder_detail::find_close>>;
using file_handle = holder<invalid_handle_traits<holder_detail::handle_close>>;
// Kernel objects whose failure value is null (events, semaphores, processes).
using kernel_object = holder<null_handle_traits<HANDLE, holder_detail::handle_close>>;

using reg_key = holder<null_handle_traits<HKEY, holder_detail::key_close>>;
using c_file = holder<null_handle_traits<FILE*, holder_detail::file_close>>;

// A block from malloc (realloc may be used through release() and reset()).
template <class T> struct heap_traits {
    using handle = T*;
    static T* none() { return nullptr; }
    void close(T* p) const { free(p); }
};
template <class T> using heap_buffer = holder<heap_traits<T>>;

// GDI objects made for one scope and deleted at its end.
template <class G> using gdi_object = holder<null_handle_traits<G, holder_detail::gdi_delete<G>>>;
using owned_object = gdi_object<HGDIOBJ>;
using pen_holder = gdi_object<HPEN>;
using brush_holder = gdi_object<HBRUSH>;
using font_holder = gdi_object<HFONT>;
using bitmap_holder = gdi_object<HBITMAP>;

// Blocks from GlobalAlloc, given back with GlobalFree.
namespace holder_detail {
inline void global_free(HGLOBAL block) { GlobalFree(block); }
inline void dc_delete(HDC dc) { DeleteDC(dc); }
inline void metafile_delete(HMETAFILE m) { DeleteMetaFile(m); }
inline void enh_metafile_delete(HENHMETAFILE m) { DeleteEnhMetaFile(m); }
}  // namespace holder_detail
using global_block = holder<null_handle_traits<HGLOBAL, holder_detail::global_free>>;
// A DC made by CreateCompatibleDC, CreateDC or a print dialog, deleted at the end.
using created_dc = holder<null_handle_traits<HDC, holder_detail::dc_delete>>;
using metafile_holder = holder<null_handle_traits<HMETAFILE, holder_detail::metafile_delete>>;
using enh_metafile_holder = holder<null_handle_traits<HENHMETAFILE, holder_detail::enh_metafile_delete>>;

// An icon, or a cursor loaded as one, destroyed the way it was made.
struct icon_traits {
    using handle = HICON;
    bool cursor = false;
    static HICON none() { return nullptr; }
    void close(HICON icon) const { cursor ? DestroyCursor((HCURSOR)icon) : DestroyIcon(icon); }
};
using icon_holder = holder<icon_traits>;

// A window's DC from GetDC, given back to that window.
struct window_dc_traits {
    using handle = HDC;
    HWND window = nullptr;
    static HDC none() { return nullptr; }
    void close(HDC dc) const { ReleaseDC(window, dc); }
};
struct window_dc : holder<window_dc_traits> {
    explicit window_dc(HWND window) : holder(GetDC(window), window_dc_traits{window}) {}
    operator HDC() const { return get(); }
};

// An object selected into a DC; the object it replaced goes back at the end.
struct selection_traits {
    using handle = HGDIOBJ;
    HDC dc = nullptr;
    static HGDIOBJ none() { return nullptr; }
    void close(HGDIOBJ previous) const { SelectObject(dc, previous); }
};
struct selected_object : holder<selection_traits> {
    selected_object(HDC dc, HGDIOBJ object)
        : holder(dc && object ? SelectObject(dc, object) : nullptr, selection_traits{dc})
    {}
};

// A DC's state (mapping, selections, colours) saved for the scope and restored at its end.
struct saved_state_traits {
    using handle = int;
    HDC dc = nullptr;
    static int none() { return 0; }
    void close(int level) const { RestoreDC(dc, level); }
};
struct saved_dc_state : holder<saved_state_traits> {
    explicit saved_dc_state(HDC dc) : holder(dc ? SaveDC(dc) : 0, saved_state_traits{dc}) {}
};

// A global block locked for the scope: get() is the locked pointer (null when it failed).
struct global_lock_traits {
    using handle = BYTE*;
    HGLOBAL block = nullptr;
    static BYTE* none() { return nullptr; }
    void close(BYTE*) const { GlobalUnlock(block); }
};
struct global_lock : holder<global_lock_traits> {
    explicit global_lock(HGLOBAL block) : holder(block ? (BYTE*)GlobalLock(block) : nullptr, global_lock_traits{block})
    {}
};

// States held for a scope: true while held.
template <void (*End)()> struct state_traits {
    using handle = bool;
    static bool none() { return false; }
    void close(bool) const { End(); }
};
namespace holder_detail {
inline void clipboard_close() { CloseClipboard(); }
inline void com_end() { CoUninitialize(); }
}  // namespace holder_detail

// The clipboard, open for `owner` until the scope ends.
struct clipboard_open : holder<state_traits<holder_detail::clipboard_close>> {
    explicit clipboard_open(HWND owner) : holder(OpenClipboard(owner) != 0) {}
};

// COM for this thread: every successful CoInitialize (S_OK and S_FALSE) is balanced.
struct com_init : holder<state_traits<holder_detail::com_end>> {
    com_init() : holder(SUCCEEDED(CoInitialize(nullptr))) {}
};

// A COM interface pointer, released at the end.
template <class T> struct com_traits {
    using handle = T*;
    static T* none() { return nullptr; }
    void close(T* p) const { p->Release(); }
};
template <class T> using com_ptr = holder<com_traits<T>>;

// Memory blocks handed over by outside components (plug-ins, scanner
// sources, the clipboard's owner) and freed by whoever receives them.
namespace holder_detail {
inline void local_free(HLOCAL h) { LocalFree(h); }
inline void library_free(HMODULE m) { FreeLibrary(m); }
}  // namespace holder_detail
using local_memory = holder<null_handle_traits<HLOCAL, holder_detail::local_free>>;
using library_holder = holder<null_handle_traits<HMODULE, holder_detail::library_free>>;

// A local block locked for the scope: get() is the locked pointer (null when it failed).
struct local_lock_traits {
    using handle = BYTE*;
    HLOCAL block = nullptr;
    static BYTE* none() { return nullptr; }
    void close(BYTE*) const { LocalUnlock(block); }
};
struct local_lock : holder<local_lock_traits> {
    explicit local_lock(HLOCAL block) : holder(block ? (BYTE*)LocalLock(block) : nullptr, local_lock_traits{block}) {}
};

// The process's current folder, put back at the end of the scope (callers
// that must change it for a while: the folder scan, the archivers).
class current_folder_kept {
public:
    current_folder_kept()
    {
        DWORD n = GetCurrentDirectoryA(sizeof saved_, saved_);
        ok_ = n && n < sizeof saved_;
    }
    ~current_folder_kept()
    {
        if (ok_) SetCurrentDirectoryA(saved_);
    }
    current_folder_kept(const current_folder_kept&) = delete;
    current_folder_kept& operator=(const current_folder_kept&) = delete;
    // False when the current folder could not be read (a cp932 path longer
    // than the buffer): nothing will be put back, so the caller must not move.
    explicit operator bool() const { return ok_; }

private:
    char saved_[MAX_PATH];
    bool ok_;
};
