// PDF pages through the automation server: a document object opens the
// file, hands back its first page, the page its size as a point object and
// renders a rectangle of itself onto the clipboard at a zoom. Every call is
// late-bound with fixed dispatch identifiers; any call that fails, raises
// or answers in an unexpected type ends the hook with its failure result.
#include "formats/pdf.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <oleauto.h>
#include <vector>

const char* pdf_document_class = "AcroExch.PDDoc";
const char* pdf_rect_class = "AcroExch.Rect";

namespace {

enum {
    DOC_OPEN = 1,
    DOC_ACQUIRE_PAGE = 17,
    DOC_AFTER_PAGE = 6,
    PAGE_SIZE = 1,
    PAGE_COPY_TO_CLIPBOARD = 16,
    POINT_X = 1,
    POINT_Y = 2,
    RECT_LEFT = 1,
    RECT_TOP = 2,
    RECT_RIGHT = 3,
    RECT_BOTTOM = 4,
};

struct variant : VARIANT {
    variant() { VariantInit(this); }
    ~variant() { VariantClear(this); }
    variant(const variant&) = delete;
    variant& operator=(const variant&) = delete;
};

// Arguments are given in the caller's order; dispatch wants them reversed.
HRESULT invoke(IDispatch* object, DISPID id, WORD kind, std::vector<VARIANT> args, VARIANT* result)
{
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, (UINT)reversed.size(), 0};
    DISPID named = DISPID_PROPERTYPUT;
    if (kind == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    EXCEPINFO error = {};
    UINT bad_arg = 0;
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, &error, &bad_arg);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrHelpFile);
    return hr;
}

VARIANT short_arg(int v)
{
    VARIANT a;
    VariantInit(&a);
    a.vt = VT_I2;
    a.iVal = (SHORT)v;
    return a;
}

// A call whose result is an integer: false when it failed or gave none.
bool call_long(IDispatch* object, DISPID id, WORD kind, std::vector<VARIANT> args, LONG* out)
{
    variant result, as_long;
    if (FAILED(invoke(object, id, kind, std::move(args), &result))) return false;
    if (FAILED(VariantChangeType(&as_long, &result, 0, VT_I4))) return false;
    *out = as_long.lVal;
    return true;
}

// A call whose result is an object: null when it failed or gave none.
IDispatch* call_object(IDispatch* object, DISPID id, std::vector<VARIANT> args)
{
    variant result;
    if (FAILED(invoke(object, id, DISPATCH_METHOD, std::move(args), &result))) return nullptr;
    if (result.vt != VT_DISPATCH || !result.pdispVal) return nullptr;
    IDispatch* d = result.pdispVal;
    d->AddRef();
    return d;
}

IDispatch* create(const char* class_name)
{
    wchar_t wide[64];
    if (!MultiByteToWideChar(CP_ACP, 0, class_name, -1, wide, 64)) return nullptr;
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(wide, &clsid))) return nullptr;
    IDispatch* d = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch, (void**)&d)))
        return nullptr;
    return d;
}

// The opened document, its first page and that page's size in points.
struct opened_page {
    com_ptr<IDispatch> document, page;
    int width = 0, height = 0;
};

// 1 with the page; 0 when the server refused the file or could not size its
// first page; PROBE_NO_READER when there is no server to ask, or its open
// call fails rather than answering (a server without these members).
int open_first_page(const char* path, opened_page* out)
{
    out->document.reset(create(pdf_document_class));
    if (!out->document) return PROBE_NO_READER;
    // The whole path goes over as a string: no fixed buffer to outgrow.
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (n <= 0 || n > PATH_BUF) return 0;
    std::vector<wchar_t> wide((size_t)n);
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), n);
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(wide.data());
    LONG opened = 0;
    if (!name.bstrVal) return 0;
    bool answered = call_long(out->document.get(), DOC_OPEN, DISPATCH_METHOD, {name}, &opened);
    VariantClear(&name);
    if (!answered) return PROBE_NO_READER;
    if (!opened) return 0;
    VARIANT first;
    VariantInit(&first);
    first.vt = VT_I4;
    first.lVal = 0;
    out->page.reset(call_object(out->document.get(), DOC_ACQUIRE_PAGE, {first}));
    if (!out->page) return 0;
    LONG ignored;
    call_long(out->document.get(), DOC_AFTER_PAGE, DISPATCH_METHOD, {}, &ignored);
    com_ptr<IDispatch> size(call_object(out->page.get(), PAGE_SIZE, {}));
    LONG x, y;
    if (!size || !call_long(size.get(), POINT_X, DISPATCH_PROPERTYGET, {}, &x) ||
        !call_long(size.get(), POINT_Y, DISPATCH_PROPERTYGET, {}, &y))
        return 0;
    out->width = (SHORT)x;
    out->height = (SHORT)y;
    return 1;
}

bool empty_clipboard()
{
    clipboard_open clip(console_window());
    return clip && EmptyClipboard();
}

}  // namespace

int probe_pdf_file(const char* path, int* width, int* height, int* xdpi, int* ydpi)
{
    if (!path) return 0;
    com_init com;
    if (!com) return PROBE_NO_READER;
    opened_page page;
    int opened = open_first_page(path, &page);
    if (opened != 1) return opened;
    *width = page.width;
    *height = page.height;
    if (xdpi) *xdpi = 0;
    if (ydpi) *ydpi = 0;
    return 1;
}

_bmap* load_pdf_page(const char* path, int zoom_percent)
{
    if (!path || zoom_percent <= 0 || zoom_percent > 0x7FFF) return nullptr;
    com_init com;
    if (!com) return nullptr;
    _bmap* b = nullptr;
    {
        opened_page page;
        if (open_first_page(path, &page) != 1 || page.width < 1 || page.height < 1) return nullptr;
        com_ptr<IDispatch> rect(create(pdf_rect_class));
        if (!rect) return nullptr;
        const int sides[] = {0, 0, page.width, page.height};
        const DISPID ids[] = {RECT_LEFT, RECT_TOP, RECT_RIGHT, RECT_BOTTOM};
        for (int i = 0; i < 4; i++) {
            if (FAILED(invoke(rect.get(), ids[i], DISPATCH_PROPERTYPUT, {short_arg(sides[i])}, nullptr)))
                return nullptr;
        }
        // An empty clipboard first: a render that puts nothing there must not
        // pass off the picture that was there before as the page.
        if (!empty_clipboard()) return nullptr;
        VARIANT r;
        VariantInit(&r);
        r.vt = VT_DISPATCH;
        r.pdispVal = rect.get();
        LONG rendered = 0;
        if (!call_long(page.page.get(), PAGE_COPY_TO_CLIPBOARD, DISPATCH_METHOD,
                       {r, short_arg(0), short_arg(0), short_arg(zoom_percent)}, &rendered) ||
            !rendered)
            return nullptr;
        int slot = _newbuffer_auto(1, 1);
        if (slot < 1) return nullptr;
        if (_page_from_clipboard(slot)) b = _bmap_from_buffer(slot);
        _page_free(slot);
    }
    return b;
}
