// A stand-in for the PDF automation server, for the tests: the document and
// rectangle classes answer the late-bound calls the PDF hooks make. A
// document opens a real PDF file and takes its first page's size from the
// first "/MediaBox [x0 y0 x1 y1]"; a page renders onto the clipboard as a
// plain white page with a black frame, of the page size times the zoom.
// ZOTE_PDF_MODE steers faults: "render-fails" (render answers 0 and leaves
// the clipboard alone), "render-nothing" (render answers 1 and still leaves
// the clipboard alone), "no-member" (every call is an unknown member).
#include <windows.h>
#include <oleauto.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// {6E0C4F7A-8C1D-4C55-9B1E-2A5D3C7B9A01}, {...02}
static const CLSID clsid_document = {0x6e0c4f7a, 0x8c1d, 0x4c55, {0x9b, 0x1e, 0x2a, 0x5d, 0x3c, 0x7b, 0x9a, 0x01}};
static const CLSID clsid_rect = {0x6e0c4f7a, 0x8c1d, 0x4c55, {0x9b, 0x1e, 0x2a, 0x5d, 0x3c, 0x7b, 0x9a, 0x02}};
static LONG live_objects;
static HINSTANCE self;

static bool mode_is(const char* mode)
{
    char value[64] = "";
    GetEnvironmentVariableA("ZOTE_PDF_MODE", value, sizeof value);
    return strcmp(value, mode) == 0;
}

// One IDispatch object; subclasses answer Invoke by identifier.
class dispatch_object : public IDispatch {
public:
    dispatch_object() { InterlockedIncrement(&live_objects); }
    virtual ~dispatch_object() { InterlockedDecrement(&live_objects); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG n = InterlockedDecrement(&refs_);
        if (!n) delete this;
        return (ULONG)n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override
    {
        if (mode_is("no-member")) return DISP_E_MEMBERNOTFOUND;
        if (result) VariantInit(result);
        return call(id, flags, params, result);
    }

protected:
    virtual HRESULT call(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) = 0;
    // Argument i in the caller's order, converted to `type`.
    static bool arg(DISPPARAMS* params, UINT i, VARTYPE type, VARIANT* out)
    {
        VariantInit(out);
        if (!params || i >= params->cArgs) return false;
        return SUCCEEDED(VariantChangeType(out, &params->rgvarg[params->cArgs - 1 - i], 0, type));
    }
    static HRESULT give_long(VARIANT* result, LONG v)
    {
        if (result) {
            result->vt = VT_I4;
            result->lVal = v;
        }
        return S_OK;
    }
    static HRESULT give_short(VARIANT* result, int v)
    {
        if (result) {
            result->vt = VT_I2;
            result->iVal = (SHORT)v;
        }
        return S_OK;
    }
    static HRESULT give_object(VARIANT* result, IDispatch* object)
    {
        if (!result) {
            object->Release();
            return S_OK;
        }
        result->vt = VT_DISPATCH;
        result->pdispVal = object;
        return S_OK;
    }

private:
    LONG refs_ = 1;
};

class point_object : public dispatch_object {
public:
    point_object(int x, int y) : x_(x), y_(y) {}
    HRESULT call(DISPID id, WORD flags, DISPPARAMS*, VARIANT* result) override
    {
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (id == 1) return give_short(result, x_);
        if (id == 2) return give_short(result, y_);
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    int x_, y_;
};

class rect_object : public dispatch_object {
public:
    int sides[4] = {};  // left, top, right, bottom
    HRESULT call(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) override
    {
        if (id < 1 || id > 4) return DISP_E_MEMBERNOTFOUND;
        if (flags & DISPATCH_PROPERTYPUT) {
            VARIANT v;
            if (!arg(params, 0, VT_I2, &v)) return DISP_E_TYPEMISMATCH;
            sides[id - 1] = v.iVal;
            return S_OK;
        }
        return give_short(result, sides[id - 1]);
    }
};

// The rendered page: white, a one-pixel black frame, 24 bits, bottom-up.
static HGLOBAL page_dib(int width, int height)
{
    size_t row = ((size_t)width * 3 + 3) & ~(size_t)3;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + row * height);
    if (!h) return nullptr;
    BYTE* p = (BYTE*)GlobalLock(h);
    BITMAPINFOHEADER* bh = (BITMAPINFOHEADER*)p;
    memset(bh, 0, sizeof *bh);
    bh->biSize = sizeof *bh;
    bh->biWidth = width;
    bh->biHeight = height;
    bh->biPlanes = 1;
    bh->biBitCount = 24;
    bh->biSizeImage = (DWORD)(row * height);
    BYTE* bits = p + sizeof *bh;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            BYTE v = x == 0 || y == 0 || x == width - 1 || y == height - 1 ? 0 : 255;
            memset(bits + y * row + 3 * x, v, 3);
        }
    GlobalUnlock(h);
    return h;
}

static HWND clipboard_owner()
{
    static HWND owner;
    if (!owner || !IsWindow(owner))
        owner = CreateWindowA("STATIC", "pdf stand-in", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, self, nullptr);
    return owner;
}

class page_object : public dispatch_object {
public:
    page_object(int width, int height) : width_(width), height_(height) {}
    HRESULT call(DISPID id, WORD, DISPPARAMS* params, VARIANT* result) override
    {
        if (id == 1) return give_object(result, new point_object(width_, height_));
        if (id != 16) return DISP_E_MEMBERNOTFOUND;
        VARIANT rect, zoom;
        if (!arg(params, 0, VT_DISPATCH, &rect) || !arg(params, 3, VT_I2, &zoom)) return DISP_E_TYPEMISMATCH;
        VariantClear(&rect);
        if (mode_is("render-fails") || zoom.iVal <= 0) return give_long(result, 0);
        if (mode_is("render-nothing")) return give_long(result, 1);
        int w = width_ * zoom.iVal / 100, h = height_ * zoom.iVal / 100;
        if (w < 1 || h < 1 || !OpenClipboard(clipboard_owner())) return give_long(result, 0);
        EmptyClipboard();
        HGLOBAL dib = page_dib(w, h);
        bool ok = dib && SetClipboardData(CF_DIB, dib);
        if (!ok && dib) GlobalFree(dib);
        CloseClipboard();
        return give_long(result, ok ? 1 : 0);
    }

private:
    int width_, height_;
};

// The first "/MediaBox [x0 y0 x1 y1]" of a file that starts "%PDF-".
static bool media_box(const wchar_t* path, int* width, int* height)
{
    FILE* f = _wfopen(path, L"rb");
    if (!f) return false;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0 && text.size() < (1u << 20)) text.append(buf, n);
    fclose(f);
    if (text.compare(0, 5, "%PDF-") != 0) return false;
    size_t at = text.find("/MediaBox");
    if (at == std::string::npos) return false;
    double x0, y0, x1, y1;
    if (sscanf(text.c_str() + at, "/MediaBox [%lf %lf %lf %lf]", &x0, &y0, &x1, &y1) != 4) return false;
    *width = (int)(x1 - x0);
    *height = (int)(y1 - y0);
    return *width > 0 && *height > 0;
}

class document_object : public dispatch_object {
public:
    HRESULT call(DISPID id, WORD, DISPPARAMS* params, VARIANT* result) override
    {
        if (id == 1) {
            VARIANT path;
            if (!arg(params, 0, VT_BSTR, &path)) return DISP_E_TYPEMISMATCH;
            open_ = media_box(path.bstrVal, &width_, &height_);
            VariantClear(&path);
            return give_long(result, open_ ? -1 : 0);
        }
        if (id == 17) {
            if (!open_) {
                if (result) {
                    result->vt = VT_DISPATCH;
                    result->pdispVal = nullptr;
                }
                return S_OK;
            }
            return give_object(result, new page_object(width_, height_));
        }
        if (id == 6) return give_long(result, open_ ? 1 : 0);
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    bool open_ = false;
    int width_ = 0, height_ = 0;
};

class class_factory : public IClassFactory {
public:
    explicit class_factory(bool rect) : rect_(rect) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (outer) return CLASS_E_NOAGGREGATION;
        dispatch_object* o = rect_ ? static_cast<dispatch_object*>(new rect_object) : new document_object;
        HRESULT hr = o->QueryInterface(iid, out);
        o->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        lock ? InterlockedIncrement(&live_objects) : InterlockedDecrement(&live_objects);
        return S_OK;
    }

private:
    bool rect_;
};

static class_factory document_factory(false), rect_factory(true);

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (IsEqualCLSID(clsid, clsid_document)) return document_factory.QueryInterface(iid, out);
    if (IsEqualCLSID(clsid, clsid_rect)) return rect_factory.QueryInterface(iid, out);
    *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() { return live_objects == 0 ? S_OK : S_FALSE; }

}  // extern "C"
