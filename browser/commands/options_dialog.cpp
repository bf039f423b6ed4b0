// The options dialog (resource 199): check boxes for the display and listing
// options, the archive kinds and the image kinds, the text extensions, and
// eleven colour swatches painted below the controls. OK stores everything
// into the live state; the caller lays the list out again.
#include "browser/commands/settings.h"
#include "browser/commands/toolbar.h"
#include "browser/model/browser_list.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "base/holders.h"
#include "base/cptext.h"
#include "browser/viewer/viewer.h"
#include "graphics/kavtrel.h"
#include "resources/options_dialog.h"
#include <commdlg.h>
#include <cstdlib>
#include <cstring>

enum {
    SWATCH_COUNT = 11,
    SWATCH_SIZE = 16,
    SWATCH_ROW_TOP = 362,
    SWATCH_ROW_STEP = 32,
    SWATCH_LEFT = 20,
    SWATCH_STEP = 100,
    SWATCH_PER_ROW = 5,
    TXTEXT_LIMIT = SETTINGS_TEXT_BUF - 1,
    DIALOG_MIN_WIDTH = 520,
    DIALOG_MIN_HEIGHT = 456,
    COUNT_LIMIT_LOW = 10
};

struct swatch {
    const char* label;
    COLORREF offered;
};
// In swatch order: toolbar, background, file, link, system, date, outside, text,
// full-screen background, full-screen text, selection.
static const swatch swatches[SWATCH_COUNT] = {
    {"ﾂｰﾙﾊﾞｰの色", 0xFFDEDE},
    {"背景色", 0},  // the system's window colour, read when offered
    {"ﾌｧｲﾙ名の色", 0},
    {"ﾘﾝｸ,ﾌｫﾙﾀﾞ名の色", 0xFF0000},
    {"ﾌｧｲﾙ番号,ｼｽﾃﾑ,隠しﾌｧｲﾙ名の色", 0x808080},
    {"日付の色", 0x0080FF},
    {"ｱﾙﾊﾞﾑ領域外の色", 0x808080},
    {"ﾃｷｽﾄの色", 0x808080},
    {"ﾌﾙｽｸﾘｰﾝの背景色", 0},
    {"ﾌﾙｽｸﾘｰﾝの文字色", 0x808080},
    {"選択枠の色", 0x0080FF},
};
enum {
    SW_TOOLBAR,
    SW_BACK,
    SW_FILE,
    SW_LINK,
    SW_SYS,
    SW_DATE,
    SW_OUT,
    SW_TEXT,
    SW_SLIDE_BACK,
    SW_SLIDE_TEXT,
    SW_SELECT
};

// The working colours while the dialog is open (it is modal: one at a time).
static COLORREF working[SWATCH_COUNT];

// Where each working colour lives in the state, in swatch order.
static COLORREF* colour_homes[SWATCH_COUNT];
static void bind_colour_homes()
{
    browser_list_record& l = browser_list;
    COLORREF* homes[SWATCH_COUNT] = {
        &l.toolbar_colour,      &l.colours[COLOUR_BK],   &l.colours[COLOUR_FILE], &l.colours[COLOUR_LINK],
        &l.colours[COLOUR_SYS], &l.colours[COLOUR_DATE], &l.colours[COLOUR_OUT],  &l.colours[COLOUR_TXT],
        &l.settings.sldbkcolor, &l.settings.sldtxtcolor, &l.colours[COLOUR_SEL],
    };
    memcpy(colour_homes, homes, sizeof homes);
}

static RECT swatch_rect(int i)
{
    int left = SWATCH_LEFT + (i % SWATCH_PER_ROW) * SWATCH_STEP;
    int top = SWATCH_ROW_TOP + (i / SWATCH_PER_ROW) * SWATCH_ROW_STEP;
    return RECT{left, top, left + SWATCH_SIZE, top + SWATCH_SIZE};
}

static int swatch_at(int x, int y)
{
    for (int i = 0; i < SWATCH_COUNT; i++) {
        RECT r = swatch_rect(i);
        if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) return i;
    }
    return -1;
}

static void set_three_state(HWND dialog, int id, int value)
{
    CheckDlgButton(dialog, id, value == 1 ? BST_CHECKED : value == -1 ? BST_INDETERMINATE : BST_UNCHECKED);
}

static int three_state(HWND dialog, int id)
{
    UINT s = IsDlgButtonChecked(dialog, id);
    return s == BST_CHECKED ? 1 : s == BST_INDETERMINATE ? -1 : 0;
}

static int checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0; }

// The limit is edited only for the counting with a limit; the two text-file
// boxes keep one of the two drawings from being switched off alone.
static void derive_enabling(HWND dialog)
{
    EnableWindow(GetDlgItem(dialog, IDC_COUNTLIMIT), three_state(dialog, IDC_COUNTFILE) == -1);
    int icon = checked(dialog, IDC_TXTICON), content = checked(dialog, IDC_TXTCONT);
    EnableWindow(GetDlgItem(dialog, IDC_TXTICON), !(!icon && content));
    EnableWindow(GetDlgItem(dialog, IDC_TXTCONT), !(icon && !content));
}

// The swatches lie below the controls at fixed pixels: the client area is
// made large enough to hold them.
static void fit_dialog(HWND dialog)
{
    RECT client, window;
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    int dw = client.right < DIALOG_MIN_WIDTH ? DIALOG_MIN_WIDTH - client.right : 0;
    int dh = client.bottom < DIALOG_MIN_HEIGHT ? DIALOG_MIN_HEIGHT - client.bottom : 0;
    if (dw || dh)
        SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + dw, window.bottom - window.top + dh,
                     SWP_NOMOVE | SWP_NOZORDER);
}

static void on_init(HWND dialog)
{
    const browser_list_record& l = browser_list;
    const settings_record& live = l.settings;
    fit_dialog(dialog);
    bind_colour_homes();
    for (int i = 0; i < SWATCH_COUNT; i++) working[i] = *colour_homes[i];
    CheckDlgButton(dialog, IDC_STARTFOLDER, l.startfolder ? BST_CHECKED : BST_UNCHECKED);
    set_three_state(dialog, IDC_COUNTFILE, l.countfile);
    SetDlgItemInt(dialog, IDC_COUNTLIMIT, l.countfile_limit, TRUE);
    CheckDlgButton(dialog, IDC_PICEXT, l.picext ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_TIMETRANS, l.timetrans ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_TXTICON, live.txticon ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_TXTCONT, live.txtcont ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_CURSTOP, live.curstop ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < 4; i++) set_three_state(dialog, IDC_LZH0 + i, l.use_lzh[i]);
    for (int k = 0; k < IMAGE_KIND_COUNT; k++) {
        CheckDlgButton(dialog, IDC_KIND0 + k, image_kind_enabled[k] ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dialog, IDC_KIND0 + k), image_kind_of_ext2(image_ext_table[k], k) != 0);
    }
    CheckDlgButton(dialog, IDC_TEXTPIC, live.textpic ? BST_CHECKED : BST_UNCHECKED);
    // One byte of the 256 is the terminator.
    SendDlgItemMessageA(dialog, IDC_TXTEXT, EM_LIMITTEXT, TXTEXT_LIMIT, 0);
    SetDlgItemTextA(dialog, IDC_TXTEXT, live.txtext);
    derive_enabling(dialog);
}

static void on_ok(HWND dialog)
{
    browser_list_record& l = browser_list;
    settings_record& live = l.settings;
    l.startfolder = checked(dialog, IDC_STARTFOLDER);
    l.countfile = three_state(dialog, IDC_COUNTFILE);
    BOOL number = FALSE;
    int limit = static_cast<int>(GetDlgItemInt(dialog, IDC_COUNTLIMIT, &number, TRUE));
    if (l.countfile == -1 && number && limit > COUNT_LIMIT_LOW) l.countfile_limit = limit;
    l.picext = checked(dialog, IDC_PICEXT);
    l.timetrans = static_cast<unsigned char>(checked(dialog, IDC_TIMETRANS));
    live.txticon = checked(dialog, IDC_TXTICON);
    live.txtcont = checked(dialog, IDC_TXTCONT);
    live.curstop = checked(dialog, IDC_CURSTOP);
    for (int i = 0; i < 4; i++) l.use_lzh[i] = three_state(dialog, IDC_LZH0 + i);
    for (int k = 0; k < IMAGE_KIND_COUNT; k++)
        if (image_kind_of_ext2(image_ext_table[k], k)) image_kind_enabled[k] = checked(dialog, IDC_KIND0 + k);
    live.textpic = checked(dialog, IDC_TEXTPIC);
    char text[SETTINGS_TEXT_BUF] = {};
    GetDlgItemTextA(dialog, IDC_TXTEXT, text, sizeof text);
    memset(live.txtext, 0, sizeof live.txtext);
    text_copy(live.txtext, text);
    parse_text_ext_list(live.txtext);
    bool toolbar_changed = working[SW_TOOLBAR] != *colour_homes[SW_TOOLBAR];
    for (int i = 0; i < SWATCH_COUNT; i++) *colour_homes[i] = working[i];
    if (toolbar_changed) reload_toolbar_pictures();
}

static void on_paint(HWND dialog)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    {
        selected_object font(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
        SetBkMode(dc, TRANSPARENT);
        for (int i = 0; i < SWATCH_COUNT; i++) {
            RECT r = swatch_rect(i);
            owned_object brush(CreateSolidBrush(working[i]));
            FillRect(dc, &r, static_cast<HBRUSH>(brush.get()));
            FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            RECT label = {r.right + 4, r.top, r.left + SWATCH_STEP - 4, r.bottom + 14};
            DrawTextA(dc, swatches[i].label, -1, &label, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        }
    }
    EndPaint(dialog, &ps);
}

static COLORREF offered_colour(int i) { return i == SW_BACK ? GetSysColor(COLOR_WINDOW) : swatches[i].offered; }

static void on_click(HWND dialog, int x, int y)
{
    int i = swatch_at(x, y);
    if (i < 0) return;
    if (colour_chooser(dialog, &working[i], offered_colour(i), swatches[i].label))
        InvalidateRect(dialog, nullptr, TRUE);
}

INT_PTR CALLBACK options_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: on_init(dialog); return TRUE;
    case WM_PAINT: on_paint(dialog); return TRUE;
    // The colour chooser it owns waits for the user (the library hears only its own windows).
    case WM_ENTERIDLE: _idle_before_wait(); return FALSE;
    case WM_LBUTTONDOWN:
        on_click(dialog, static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            on_ok(dialog);
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        case IDC_COUNTFILE:
        case IDC_TXTICON:
        case IDC_TXTCONT:
            if (HIWORD(wparam) == BN_CLICKED) derive_enabling(dialog);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

// The chooser's title is the swatch's label.
static UINT_PTR CALLBACK colour_hook(HWND dialog, UINT message, WPARAM, LPARAM lparam)
{
    if (message == WM_INITDIALOG)
        SetWindowTextA(dialog, reinterpret_cast<const char*>(reinterpret_cast<CHOOSECOLORA*>(lparam)->lCustData));
    return 0;
}

int (*colour_chooser)(HWND, COLORREF*, COLORREF, const char*) = choose_colour;

int choose_colour(HWND owner, COLORREF* colour, COLORREF offered, const char* label)
{
    static COLORREF custom[16];
    custom[0] = *colour;
    for (int i = 1; i < 16; i++) custom[i] = offered;
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = *colour;
    cc.lpCustColors = custom;
    cc.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ENABLEHOOK;
    cc.lCustData = reinterpret_cast<LPARAM>(label);
    cc.lpfnHook = colour_hook;
    if (!ChooseColorA(&cc)) return 0;
    *colour = cc.rgbResult;
    return 1;
}

int run_options_dialog(HWND owner)
{
    INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OPTIONS), owner, options_dlg_proc, 0);
    ime_off();
    if (r != 1) return 0;
    leave_viewer(viewer_state);
    on_size_relayout(browser_list.first_row * browser_list.columns);
    redraw_whole_list();
    return 1;
}
