// The print preview. The pages are rendered lazily into one slot each and
// kept until the preview closes. Rendering pumps messages, so commands that
// arrive meanwhile are ignored rather than run nested, and the sheet paints
// whatever is there so far, nothing included.
#include "print/preview.h"
#include "print/page_geometry.h"
#include "print/page_render.h"
#include "print/print_settings.h"
#include "print/printer.h"
#include "resources/print_dialog.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <vector>

void (*preview_step_hook)(HWND dialog);

namespace {

const char preview_class[] = "zotepvwnd";

struct preview_record {
    HWND dialog = nullptr, child = nullptr;
    std::vector<HENHMETAFILE> pages;
    int current = 0, rendered = 0;
    bool rendering = false;
};
preview_record* preview;

void render_into_slot(int page)
{
    if (page < 0 || page >= (int)preview->pages.size() || preview->pages[page]) return;
    preview->rendering = true;
    for (int id : {IDC_PV_NEXT, IDC_PV_PREVIOUS, IDOK, IDC_PV_THIS_PAGE})
        EnableWindow(GetDlgItem(preview->dialog, id), FALSE);
    preview->pages[page] = render_print_pages(page);
    preview->rendered++;
    preview->rendering = false;
    EnableWindow(GetDlgItem(preview->dialog, IDOK), TRUE);
    EnableWindow(GetDlgItem(preview->dialog, IDC_PV_THIS_PAGE), TRUE);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

// The title and the page buttons for the shown page.
void update_controls()
{
    if (!preview || preview->rendering) return;
    int count = (int)preview->pages.size();
    char title[128];
    text_format_cut(title, sizeof title, "%s%d部 %d/%d頁", paper_size_text(paper_width_mm(), paper_height_mm()),
                    printer_copies(), preview->current + 1, count);
    SetWindowTextA(preview->dialog, title);
    EnableWindow(GetDlgItem(preview->dialog, IDC_PV_NEXT), preview->current + 1 < count);
    EnableWindow(GetDlgItem(preview->dialog, IDC_PV_PREVIOUS), preview->current > 0);
}

void paint_preview_page(HDC dc, bool erase)
{
    RECT client;
    GetClientRect(WindowFromDC(dc), &client);
    if (erase) FillRect(dc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
    HDC printer = print_settings.printer_dc;
    if (!preview || !printer || preview->current >= (int)preview->pages.size()) return;
    HENHMETAFILE page = preview->pages[preview->current];
    if (!page) return;
    double hs = GetDeviceCaps(printer, HORZSIZE), vs = GetDeviceCaps(printer, VERTSIZE);
    if (hs <= 0 || vs <= 0) return;
    int w = print_settings.page_width, h = print_settings.page_height;
    saved_dc_state saved(dc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, (int)(w * paper_width_mm() / hs), (int)(h * paper_height_mm() / vs), nullptr);
    SetViewportExtEx(dc, client.right, client.bottom, nullptr);
    SetWindowOrgEx(dc, -(int)(print_settings.offset_x / 10.0 / hs * w), -(int)(print_settings.offset_y / 10.0 / vs * h),
                   nullptr);
    RECT area = page_rect();
    PlayEnhMetaFile(dc, page, &area);
    saved.reset();
    update_controls();
}

LRESULT CALLBACK preview_wnd_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != WM_PAINT) return DefWindowProcA(window, message, wparam, lparam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    paint_preview_page(dc, true);
    EndPaint(window, &ps);
    return 0;
}

void register_preview_class()
{
    static bool done;
    if (done) return;
    WNDCLASSA wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = preview_wnd_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = preview_class;
    done = RegisterClassA(&wc) != 0;
}

void create_preview_window(HWND dialog)
{
    print_settings.preview = 1;
    _status_text(1, "ﾌﾟﾚﾋﾞｭｰ準備中...");
    register_preview_class();
    // The record exists, with empty slots, before the sheet can paint.
    preview = new preview_record;
    preview->dialog = dialog;
    preview->pages.assign(print_page_count(), nullptr);
    RECT client;
    GetClientRect(dialog, &client);
    int available_w = client.right - 40, available_h = client.bottom - 60;
    HDC printer = print_settings.printer_dc;
    double aspect = (double)GetDeviceCaps(printer, PHYSICALHEIGHT) / GetDeviceCaps(printer, PHYSICALWIDTH);
    double width = available_w * aspect <= available_h ? available_w : available_h / aspect;
    int height = (int)(width * aspect + 0.5);
    preview->child =
        CreateWindowExA(0, preview_class, "", WS_CHILD | WS_VISIBLE | WS_BORDER, 20 + (available_w - (int)width) / 2,
                        10, (int)width, height, dialog, nullptr, GetModuleHandleA(nullptr), nullptr);
    render_into_slot(0);
    preview->current = 0;
    update_controls();
}

void destroy_preview_window()
{
    print_settings.preview = 0;
    if (!preview) return;
    for (HENHMETAFILE page : preview->pages)
        if (page) DeleteEnhMetaFile(page);
    if (preview->child) DestroyWindow(preview->child);
    delete preview;
    preview = nullptr;
}

int turn_preview_page(int direction)
{
    if (!preview || preview->rendering) return 0;
    if (direction > 0 && preview->current + 1 < (int)preview->pages.size()) {
        preview->current++;
        render_into_slot(preview->current);
        return 1;
    }
    if (direction < 0 && preview->current > 0) {
        preview->current--;
        return 1;
    }
    return 0;
}

void repaint_preview()
{
    if (!preview || !preview->child) return;
    InvalidateRect(preview->child, nullptr, TRUE);
    UpdateWindow(preview->child);
    update_controls();
}

bool on_command(HWND dialog, int id)
{
    switch (id) {
    case IDC_PV_NEXT:
        if (turn_preview_page(1)) repaint_preview();
        return true;
    case IDC_PV_PREVIOUS:
        if (turn_preview_page(-1)) repaint_preview();
        return true;
    case IDOK:
        print_settings.page_filter = -1;
        EndDialog(dialog, 1);
        return true;
    case IDC_PV_THIS_PAGE:
        print_settings.page_filter = preview->current;
        EndDialog(dialog, 1);
        return true;
    case IDCANCEL: EndDialog(dialog, 0); return true;
    }
    return false;
}

INT_PTR CALLBACK preview_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        create_preview_window(dialog);
        if (preview_step_hook) preview_step_hook(dialog);
        return TRUE;
    case WM_COMMAND:
        // Clicks that arrive while a page renders are not run inside the rendering.
        if (!preview || preview->rendering) return TRUE;
        if (!on_command(dialog, LOWORD(wparam))) return FALSE;
        if (preview && preview_step_hook) preview_step_hook(dialog);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int open_preview_dialog(HWND owner)
{
    if (print_settings.job.selected <= 0 || !print_settings.printer_dc || preview) return 0;
    INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PRINT_PREVIEW), owner, preview_dialog_proc, 0);
    destroy_preview_window();
    return result == 1;
}

int preview_current_page() { return preview ? preview->current : -1; }
int preview_page_count() { return preview ? (int)preview->pages.size() : 0; }
int preview_rendered_count() { return preview ? preview->rendered : 0; }
