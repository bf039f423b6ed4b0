// The screen bench (see screen_bench.h).
#include "tests/screen/screen_bench.h"
#include "base/holders.h"
#include "tests/support/canvas.h"
#include "tests/support/guarded_heap.h"
#include "tests/support/photos.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <cstdlib>

namespace screen {

static const char title_ending[] = " - ZOTE1.67";
enum { MARGIN = 20, LABEL_GAP = 14 };

bool near_colour(COLORREF a, COLORREF b, int tolerance)
{
    return abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
           abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
           abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
}

int shot::count(RECT r, COLORREF colour, int tolerance) const
{
    int n = 0;
    for (int y = r.top > 0 ? r.top : 0; y < r.bottom && y < height; y++)
        for (int x = r.left > 0 ? r.left : 0; x < r.right && x < width; x++)
            if (near_colour(at(x, y), colour, tolerance)) n++;
    return n;
}

int shot::count_other(RECT r, COLORREF colour, int tolerance) const
{
    RECT all = {0, 0, width, height}, in;
    if (!IntersectRect(&in, &r, &all)) return 0;
    return (in.right - in.left) * (in.bottom - in.top) - count(in, colour, tolerance);
}

bool shot::save(const std::string& path) const
{
    BITMAPINFOHEADER ih = {sizeof ih, width, -height, 1, 32, BI_RGB};
    BITMAPFILEHEADER fh = {0x4D42, 0, 0, 0, sizeof fh + sizeof ih};
    fh.bfSize = fh.bfOffBits + DWORD(pixels.size() * 4);
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&ih), sizeof ih);
    for (COLORREF c : pixels) {
        DWORD bgr = (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | GetBValue(c);
        bytes.append(reinterpret_cast<const char*>(&bgr), 4);
    }
    return bench::write_file(path, bytes);
}

COLORREF picture_colour(int i)
{
    // 5 x 4 x 3 levels 45 apart: 60 colours, none near white or the greys of the text.
    int r = 30 + 45 * (i % 5), g = 30 + 45 * ((i / 5) % 4), b = 30 + 45 * ((i / 20) % 3);
    if (r == g && g == b) r += 20;
    return RGB(r, g, b);
}

void write_picture(const std::string& path, int width, int height, COLORREF colour)
{
    _bmap* b = bmap_new(width, height);
    for (int y = 0; y < height; y++) {
        BYTE* row = b->pixels + size_t(y) * b->stride;
        for (int x = 0; x < width; x++) {
            row[3 * x] = GetBValue(colour);
            row[3 * x + 1] = GetGValue(colour);
            row[3 * x + 2] = GetRValue(colour);
        }
    }
    save_jpeg_file(path.c_str(), b, 95);
    _bmap_delete(b);
}

std::string picture_name(int i)
{
    static const char* const marks[] = {"表", "ソ", "能"};
    char name[32];
    snprintf(name, sizeof name, "%02d%s.jpg", i, marks[i % 3]);
    return name;
}

void write_pictures(const std::string& folder, int first, int n, int width, int height)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = first; i < first + n; i++)
        write_picture(folder + "\\" + picture_name(i), width, height, picture_colour(i));
}

void copy_camera_photos(const std::string& folder, const std::vector<std::string>& names)
{
    enum { KINDS = 8 };
    std::string cache = bench::exe_folder() + "..\\photos";
    CreateDirectoryA(cache.c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (size_t i = 0; i < names.size(); i++) {
        char name[32];
        snprintf(name, sizeof name, "\\camera%d.jpg", int(i % KINDS));
        std::string photo = cache + name;
        if (GetFileAttributesA(photo.c_str()) == INVALID_FILE_ATTRIBUTES) {
            // Made under a name of this process's and renamed into place whole:
            // another run in the same build tree may be making the same photo.
            bool tall = i % 4 == 3;
            std::string part = photo + "." + std::to_string(GetCurrentProcessId()) + ".part";
            ASSERT_TRUE(write_camera_photo(part, tall ? 3000 : 4000, tall ? 4000 : 3000, int(i)));
            if (!MoveFileA(part.c_str(), photo.c_str())) DeleteFileA(part.c_str());
            ASSERT_NE(GetFileAttributesA(photo.c_str()), INVALID_FILE_ATTRIBUTES) << photo;
        }
        ASSERT_TRUE(CopyFileA(photo.c_str(), (folder + "\\" + names[i]).c_str(), FALSE)) << names[i];
    }
}

grid grid::of(const shot& s, int size)
{
    grid g;
    g.cell_size = size + LABEL_GAP;
    g.columns = (s.width - MARGIN) / g.cell_size;
    g.rows = (s.height - MARGIN) / g.cell_size;
    if (g.columns < 1) g.columns = 1;
    if (g.rows < 1) g.rows = 1;
    return g;
}

grid grid::at_columns(const shot& s, int n)
{
    double a = double(s.width - MARGIN) / n - LABEL_GAP, b = s.height - MARGIN - LABEL_GAP;
    return of(s, int(a < b ? a : b));
}

RECT grid::cell(int position) const
{
    int c = position % columns, r = position / columns;
    RECT rc = {MARGIN + c * cell_size, MARGIN + r * cell_size, MARGIN + (c + 1) * cell_size,
               MARGIN + (r + 1) * cell_size};
    return rc;
}

RECT grid::name_line(int position) const
{
    RECT c = cell(position);
    RECT rc = {c.left + LABEL_GAP / 2, c.top + 2, c.right - LABEL_GAP / 2, c.top + 15};
    return rc;
}

RECT grid::count_line(int position) const
{
    RECT c = cell(position);
    RECT rc = {c.left + LABEL_GAP / 2, c.bottom - 32, c.right - LABEL_GAP / 2, c.bottom - 19};
    return rc;
}

POINT grid::centre(int position) const
{
    RECT c = cell(position);
    POINT p = {(c.left + c.right) / 2, (c.top + c.bottom) / 2};
    return p;
}

const COLORREF ANY_PICTURE = 0xFF000000, NOTHING = 0xFE000000;

bool framed(const shot& s, const grid& g, int position)
{
    RECT c = g.cell(position);
    RECT top = {c.left + 1, c.top + 1, c.right - 1, c.top + 2},
         left = {c.left + 1, c.top + 1, c.left + 2, c.bottom - 1};
    int want = c.right - c.left - 2, grey = RGB(0x80, 0x80, 0x80);
    return s.count(top, grey, 4) >= want * 9 / 10 && s.count(left, grey, 4) >= want * 9 / 10;
}

COLORREF background() { return GetSysColor(COLOR_WINDOW); }

std::vector<cell_expected> picture_cells(int first, int n)
{
    std::vector<cell_expected> cells;
    for (int i = 0; i < n; i++) cells.push_back({picture_colour(first + i)});
    return cells;
}

// The smallest rectangle around the pixels of colour in r (empty when none).
static RECT colour_bounds(const shot& s, RECT r, COLORREF colour)
{
    RECT b = {r.right, r.bottom, r.left, r.top};
    for (int y = r.top; y < r.bottom && y < s.height; y++)
        for (int x = r.left; x < r.right && x < s.width; x++)
            if (near_colour(s.at(x, y), colour)) {
                if (x < b.left) b.left = x;
                if (y < b.top) b.top = y;
                if (x >= b.right) b.right = x + 1;
                if (y >= b.bottom) b.bottom = y + 1;
            }
    return b;
}

// Pixels of r, outside the rectangles skipped, that are not background.
static int stray_pixels(const shot& s, RECT r, const std::vector<RECT>& skipped)
{
    int n = 0;
    for (int y = r.top; y < r.bottom && y < s.height; y++)
        for (int x = r.left; x < r.right && x < s.width; x++) {
            POINT p = {x, y};
            bool skip = false;
            for (const RECT& k : skipped) skip = skip || PtInRect(&k, p);
            if (!skip && !near_colour(s.at(x, y), background())) n++;
        }
    return n;
}

std::string page_differences(const shot& s, const grid& g, const std::vector<cell_expected>& cells)
{
    std::string out;
    auto note = [&](int i, const char* what, int n) {
        out += "cell " + std::to_string(i + 1) + ": " + what + " (" + std::to_string(n) + ")\n";
    };
    for (int i = 0; i < g.per_page(); i++) {
        // The edges of the cell touch the toolbar's strips.
        RECT c = g.cell(i), inner = {c.left + 1, c.top + 1, c.right - 1, c.bottom - 1};
        if (i >= int(cells.size()) || cells[i].picture == NOTHING) {
            if (int n = s.count_other(inner, background())) note(i, "not empty", n);
            continue;
        }
        RECT name = g.name_line(i), counts = g.count_line(i);
        if (s.count_other(name, background()) < 8) note(i, "no name", 0);
        if (cells[i].counts && s.count_other(counts, background()) < 8) note(i, "no counts", 0);
        if (cells[i].picture == ANY_PICTURE) {
            if (stray_pixels(s, inner, {name, counts}) < 8) note(i, "no picture", 0);
            continue;
        }
        RECT p = colour_bounds(s, inner, cells[i].picture);
        if (p.right - p.left < 8 || p.bottom - p.top < 8) {
            note(i, "not its picture", 0);
            continue;
        }
        // Around the picture and the text lines the cell shows nothing.
        RECT around = {p.left - 1, p.top - 1, p.right + 1, p.bottom + 1};
        RECT bottom = {name.left, c.bottom - 21, name.right, c.bottom - 6};
        if (int n = stray_pixels(s, inner, {around, name, counts, bottom})) note(i, "stray pixels", n);
    }
    return out;
}

std::string check_page(const shot& s, const grid& g, const std::vector<cell_expected>& cells, const std::string& label)
{
    std::string d = page_differences(s, g, cells);
    if (!d.empty()) s.save(bench::exe_folder() + "screen-" + label + ".bmp");
    return d;
}

// Finding windows --------------------------------------------------------------------

std::string window_text(HWND w)
{
    char t[1024];
    int n = GetWindowTextA(w, t, sizeof t);
    return std::string(t, n > 0 ? n : 0);
}

std::string box_text(HWND box)
{
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32], text[1024];
        GetClassNameA(c, cls, sizeof cls);
        int n = GetWindowTextA(c, text, sizeof text);
        if (lstrcmpiA(cls, "Static") == 0 && n > 0) return std::string(text, n);
    }
    return "";
}

namespace {
struct title_search {
    std::string part;
    bool ending;  // the title must end in " - ZOTE1.67"
    HWND found;
};

BOOL CALLBACK match_window(HWND w, LPARAM lp)
{
    auto* s = reinterpret_cast<title_search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId() || !IsWindowVisible(w)) return TRUE;
    std::string t = window_text(w);
    if ((!s->ending || ends_with(t, title_ending)) && t.find(s->part) != std::string::npos) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND find_window(const std::string& part, bool ending, DWORD ms)
{
    title_search s = {part, ending, nullptr};
    DWORD start = GetTickCount();
    for (;;) {
        EnumWindows(match_window, reinterpret_cast<LPARAM>(&s));
        if (s.found || GetTickCount() - start > ms) return s.found;
        Sleep(50);
    }
}

}  // namespace

std::string shown_folder(std::string folder)
{
    if (folder.size() > 1 && folder[1] == ':' && folder[0] >= 'a' && folder[0] <= 'z') folder[0] -= 'a' - 'A';
    for (size_t i = 0; i < folder.size(); i++) {
        if (mb_is_lead((unsigned char)folder[i]))
            i++;
        else if (folder[i] == '\\')
            folder[i] = '/';
    }
    return folder;
}

namespace {

// The page's drawing child, or the console's text.
HWND drawing_child(HWND frame)
{
    for (HWND c = GetWindow(frame, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32];
        if (GetClassNameA(c, cls, sizeof cls) && (strncmp(cls, "KVT", 3) == 0 || lstrcmpiA(cls, "RichEdit") == 0))
            return c;
    }
    return nullptr;
}

}  // namespace

std::string installed_program()
{
    char full[MAX_PATH];
    std::string p = bench::exe_folder() + "..\\zote_guarded.exe";
    DWORD n = GetFullPathNameA(p.c_str(), sizeof full, full, nullptr);
    return n && n < sizeof full ? std::string(full, n) : p;
}

namespace {

// Sets an environment variable for the scope (the children started in it inherit it).
struct env_for_scope {
    std::string name;
    std::string saved;
    bool had;
    env_for_scope(const char* n, const std::string& value) : name(n)
    {
        char buf[MAX_PATH];
        DWORD len = GetEnvironmentVariableA(n, buf, sizeof buf);
        had = len > 0 && len < sizeof buf;
        if (had) saved.assign(buf, len);
        SetEnvironmentVariableA(n, value.c_str());
    }
    ~env_for_scope() { SetEnvironmentVariableA(name.c_str(), had ? saved.c_str() : nullptr); }
};
}  // namespace

HWND zote_session::window_titled(const std::string& text, DWORD ms) { return find_window(text, false, ms); }

// Posts the message that closes the window and waits for its process; a
// process that does not end is ended by force (and the result is false).
static bool end_by_message(HANDLE process, HWND window, UINT message, WPARAM wparam)
{
    PostMessageA(window, message, wparam, 0);
    if (WaitForSingleObject(process, 30000) == WAIT_OBJECT_0) return true;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    return false;
}

bool close_window_process(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    if (!process) return false;
    bool ended = end_by_message(process, window, WM_CLOSE, 0);
    CloseHandle(process);
    return ended;
}

// The session -------------------------------------------------------------------------

zote_session::zote_session(const std::string& folder, const std::string& options)
{
    if (!start(folder, options)) return;
    EXPECT_TRUE(settle()) << "the program never waited for the user";
    SetForegroundWindow(frame_);
    EXPECT_TRUE(settle());
}

zote_session::zote_session(const std::string& folder, const zote_session& beside) : temp_(beside.temp_)
{
    if (!start(folder, "")) return;
    EXPECT_TRUE(settle()) << "the program never waited for the user";
    SetForegroundWindow(frame_);
    EXPECT_TRUE(settle());
}

zote_session::zote_session(const std::string& folder, no_wait)
{
    if (start(folder, "")) SetForegroundWindow(frame_);
}

bool zote_session::start(const std::string& folder, const std::string& options)
{
    if (temp_.empty()) temp_ = dir_.file("temp");
    std::string temp = temp_, start = dir_.file("start");
    heap_report_ = dir_.file("heap-fault.txt");
    CreateDirectoryA(temp.c_str(), nullptr);
    CreateDirectoryA(start.c_str(), nullptr);
    std::string program = installed_program();
    std::string line = "\"" + program + "\" " + (options.empty() ? "" : options + " ") + "\"" + folder + "\"";
    {
        // Its own temporary folder (copy, caches, history, per-user settings);
        // the global settings live in the folder it starts in.
        env_for_scope tmp("TMP", temp), tmp2("TEMP", temp), report(bench::HEAP_REPORT_VARIABLE, heap_report_);
        STARTUPINFOA si = {sizeof si};
        PROCESS_INFORMATION pi;
        if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, start.c_str(), &si, &pi)) {
            ADD_FAILURE() << "the program did not start: " << program;
            return false;
        }
        // The installed program copies itself and starts the copy, then ends.
        bool ended = WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        if (!ended) {
            ADD_FAILURE() << "the installed program did not end";
            return false;
        }
    }
    bool script = ends_with(folder, ".a.txt");  // its console is titled with its path
    HWND frame = find_window(script ? folder : shown_folder(folder), !script, 30000);
    if (!frame) {
        ADD_FAILURE() << "no window for " << folder;
        return false;
    }
    return attach(frame);
}

zote_session::zote_session(HWND frame, opened)
{
    if (!frame || !attach(frame)) return;
    SetForegroundWindow(frame_);
    EXPECT_TRUE(settle());
}

namespace {
struct other_window_search {
    DWORD except;
    HWND found;
};
BOOL CALLBACK match_other_window(HWND w, LPARAM lp)
{
    auto* s = reinterpret_cast<other_window_search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->except || pid == GetCurrentProcessId() || !IsWindowVisible(w) ||
        !ends_with(window_text(w), title_ending))
        return TRUE;
    s->found = w;
    return FALSE;
}
}  // namespace

HWND zote_session::new_window(DWORD ms) const
{
    other_window_search s = {pid_, nullptr};
    for (DWORD start = GetTickCount(); !s.found && GetTickCount() - start < ms; Sleep(50))
        EnumWindows(match_other_window, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool zote_session::attach(HWND frame)
{
    GetWindowThreadProcessId(frame, &pid_);
    process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid_);
    frame_ = frame;
    page_ = drawing_child(frame);
    // The library makes the semaphore as it starts.
    char name[64];
    snprintf(name, sizeof name, "kavtrel-idle-%lu", pid_);
    DWORD start_wait = GetTickCount();
    while (!(idle_ = OpenSemaphoreA(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, name)) &&
           GetTickCount() - start_wait < 30000)
        Sleep(50);
    EXPECT_TRUE(process_ && page_ && idle_);
    return process_ && page_ && idle_;
}

zote_session::~zote_session()
{
    if (alive()) { EXPECT_TRUE(close()); }
    EXPECT_EQ(fault(), "");
    if (idle_) CloseHandle(idle_);
    if (process_) CloseHandle(process_);
}

bool zote_session::close() { return !process_ || end_by_message(process_, frame_, WM_COMMAND, CMD_EXIT); }

bool zote_session::alive() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool zote_session::has_loaded(const char* dll) const
{
    file_handle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid_));
    MODULEENTRY32 m = {sizeof m};
    if (!modules) return false;
    for (BOOL more = Module32First(modules.get(), &m); more; more = Module32Next(modules.get(), &m))
        if (!_stricmp(m.szModule, dll)) return true;
    return false;
}

std::string zote_session::fault() const
{
    DWORD code = 0;
    if (!process_ || alive() || !GetExitCodeProcess(process_, &code) || code == 0) return "";
    char text[64];
    snprintf(text, sizeof text, "the program ended with exit code 0x%lx\n", code);
    return text + bench::read_file(heap_report_);
}

bool zote_session::wait_idle(DWORD ms)
{
    HANDLE both[2] = {idle_, process_};
    return idle_ && WaitForMultipleObjects(2, both, FALSE, ms) == WAIT_OBJECT_0;
}

void zote_session::drain_idle()
{
    while (idle_ && WaitForSingleObject(idle_, 0) == WAIT_OBJECT_0) {}
}

bool zote_session::settle(DWORD ms)
{
    static const UINT probe = RegisterWindowMessageA("kavtrel-idle-probe");
    // A round trip to the X server puts our own pointer moves through it, so
    // that the moves it reports back to the program are on their way before
    // the probe asks the program to say when it has nothing left to do.
    HDC screen = GetDC(nullptr);
    GetPixel(screen, 0, 0);
    ReleaseDC(nullptr, screen);
    drain_idle();
    return PostMessageA(frame_, probe, 0, 0) && wait_idle(ms);
}

std::string zote_session::title() const { return frame_ ? window_text(frame_) : std::string(); }

void zote_session::send(const INPUT& input)
{
    // Input goes to the foreground window: another test's window must not take it.
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);
    if (owner != pid_) {
        SetForegroundWindow(frame_);
        EXPECT_TRUE(settle());
    }
    INPUT in = input;
    SendInput(1, &in, sizeof in);
    EXPECT_TRUE(settle()) << "input " << in.type << " " << in.ki.wVk << " " << in.mi.dwFlags;
}

INPUT key_event(WORD vk, bool down)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = WORD(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    if (vk == VK_UP || vk == VK_DOWN || vk == VK_LEFT || vk == VK_RIGHT || vk == VK_PRIOR || vk == VK_NEXT ||
        vk == VK_HOME || vk == VK_END || vk == VK_DELETE || vk == VK_INSERT)
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return in;
}

INPUT button_event(DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    return in;
}

void zote_session::key(WORD vk, std::initializer_list<WORD> held)
{
    for (WORD k : held) send(key_event(k, true));
    send(key_event(vk, true));
    send(key_event(vk, false));
    for (WORD k : held) send(key_event(k, false));
}

void zote_session::press(WORD vk)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);
    if (owner != pid_) {
        SetForegroundWindow(frame_);
        EXPECT_TRUE(settle());
    }
    INPUT both[2] = {key_event(vk, true), key_event(vk, false)};
    SendInput(2, both, sizeof both[0]);
}

namespace {
// Puts the keysyms (hexadecimal) on keys of the X keyboard that bear none
// ("bind"), or takes them off again ("unbind"). Wine gives keys outside its
// layout table spare virtual keys in the order of their codes while they
// last: the first bare keys are taken.
const char keyboard_script[] = R"(
import ctypes as c, sys
x = c.CDLL('libX11.so.6')
x.XOpenDisplay.restype = c.c_void_p
x.XGetKeyboardMapping.restype = c.POINTER(c.c_ulong)
d = c.c_void_p(x.XOpenDisplay(None))
lo, hi, n = c.c_int(), c.c_int(), c.c_int()
x.XDisplayKeycodes(d, c.byref(lo), c.byref(hi))
m = x.XGetKeyboardMapping(d, c.c_ubyte(lo.value), hi.value - lo.value + 1, c.byref(n))
syms, bind = [int(s, 16) for s in sys.argv[2:]], sys.argv[1] == 'bind'
keys = [k for k in range(lo.value, hi.value + 1) if m[(k - lo.value) * n.value] in ([0] if bind else syms)]
for k, s in zip(keys, syms if bind else [0] * len(keys)): x.XChangeKeyboardMapping(d, k, 1, c.byref(c.c_ulong(s)), 1)
x.XCloseDisplay(d)
)";
}  // namespace

bool zote_session::linux_input(std::vector<std::string> args)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);
    if (owner != pid_) {
        SetForegroundWindow(frame_);
        EXPECT_TRUE(settle());
    }
    // The bench has no drive onto the Linux root: Wine runs the Linux program itself.
    typedef LONG(CDECL * unix_spawn)(char* const argv[], int wait);
    auto spawn = reinterpret_cast<unix_spawn>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp"));
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    if (!spawn || spawn(argv.data(), TRUE) != 0) return false;
    EXPECT_TRUE(settle()) << "after " << args[0] << " " << args[1];
    return true;
}

bool zote_session::typed(const std::string& keys) { return linux_input({"xdotool", "key", keys}); }

// xdotool gives a character that no key bears a key of its own only while it
// presses it, and Wine reads the character of a key when the program
// translates the key, which may be after that: the character would be lost.
// The characters get keys of their own first, as on a keyboard that bears
// them, and lose them after the typing.
bool zote_session::typed_text(const std::string& text)
{
    wchar_t wide[256];
    char utf8[1024];
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.c_str(), -1, wide, 256);
    if (n <= 0 || WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr) <= 0) return false;
    std::vector<std::string> bind = {"python3", "-c", keyboard_script, "bind"};
    for (int i = 0; i + 1 < n; i++) {
        char sym[16];
        snprintf(sym, sizeof sym, "%x", 0x1000000u + wide[i]);
        if (wide[i] >= 0x80) bind.push_back(sym);
    }
    std::vector<std::string> unbind = bind;
    unbind[3] = "unbind";
    bool typed = linux_input(bind) && linux_input({"xdotool", "type", utf8});
    return linux_input(unbind) && typed;
}

bool zote_session::input(const std::vector<INPUT>& events, DWORD ms)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);
    if (owner != pid_) SetForegroundWindow(frame_);
    std::vector<INPUT> all = events;
    if (!all.empty()) SendInput(UINT(all.size()), all.data(), sizeof all[0]);
    return settle(ms);
}

void zote_session::tap(WORD vk)
{
    press(vk);
    EXPECT_TRUE(settle()) << "after the key " << vk;
}

void zote_session::move_to(POINT client)
{
    POINT p = client, now;
    ClientToScreen(page_, &p);
    if (GetCursorPos(&now) && now.x == p.x && now.y == p.y) return;
    SetCursorPos(p.x, p.y);
    EXPECT_TRUE(settle()) << "after moving the pointer";
}

// The time of a click where the pointer is: the double-click time after the
// last one there, or later, so that the program never takes it for the second
// half of a double click, however long the program took over the last one.
DWORD zote_session::next_click_time()
{
    POINT at = {};
    GetCursorPos(&at);
    bool close_by = abs(at.x - last_click_at_.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
                    abs(at.y - last_click_at_.y) <= GetSystemMetrics(SM_CYDOUBLECLK);
    DWORD now = GetTickCount(), apart = GetDoubleClickTime() + 1;
    DWORD t = close_by && last_click_ && int(now - last_click_) < int(apart) ? last_click_ + apart : now;
    last_click_ = t ? t : 1;
    last_click_at_ = at;
    return last_click_;
}

INPUT button_event(DWORD flags, DWORD time)
{
    INPUT in = button_event(flags);
    in.mi.time = time;
    return in;
}

void zote_session::click(POINT client, std::initializer_list<WORD> held)
{
    move_to(client);
    for (WORD k : held) send(key_event(k, true));
    DWORD t = next_click_time();
    send(button_event(MOUSEEVENTF_LEFTDOWN, t));
    send(button_event(MOUSEEVENTF_LEFTUP, t));
    for (WORD k : held) send(key_event(k, false));
}

void zote_session::click_in(HWND window, POINT client)
{
    POINT p = client;
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    EXPECT_TRUE(settle()) << "after moving the pointer";
    DWORD t = next_click_time();
    send(button_event(MOUSEEVENTF_LEFTDOWN, t));
    send(button_event(MOUSEEVENTF_LEFTUP, t));
}

void zote_session::chord_click(POINT client, WORD held)
{
    move_to(client);
    DWORD t = next_click_time();
    INPUT all[4] = {key_event(held, true), button_event(MOUSEEVENTF_LEFTDOWN, t), button_event(MOUSEEVENTF_LEFTUP, t),
                    key_event(held, false)};
    SendInput(4, all, sizeof all[0]);
    EXPECT_TRUE(settle()) << "after the click with " << held;
}

void zote_session::chord_key(WORD vk, WORD held, DWORD hold_ms)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);
    if (owner != pid_) {
        SetForegroundWindow(frame_);
        EXPECT_TRUE(settle());
    }
    INPUT all[4] = {key_event(held, true), key_event(vk, true), key_event(vk, false), key_event(held, false)};
    SendInput(1, all, sizeof all[0]);
    EXPECT_TRUE(settle()) << "after the key " << held;
    SendInput(2, all + 1, sizeof all[0]);
    if (hold_ms) Sleep(hold_ms);
    SendInput(1, all + 3, sizeof all[0]);
    EXPECT_TRUE(settle()) << "after the key " << vk << " with " << held;
}

// The second press comes a millisecond after the first, however long the
// program took over the first.
void zote_session::double_click(POINT client)
{
    move_to(client);
    DWORD t = next_click_time();
    for (DWORD i = 0; i < 2; i++) {
        send(button_event(MOUSEEVENTF_LEFTDOWN, t + i));
        send(button_event(MOUSEEVENTF_LEFTUP, t + i));
    }
    last_click_ = t + 1;
}

int first_path_button(const shot& s)
{
    auto column_has = [&](int x, auto test) {
        for (int y = 3; y < 17 && y < s.height; y++)
            if (test(s.at(x, y))) return true;
        return false;
    };
    auto black = [](COLORREF c) { return GetRValue(c) < 0x50 && GetGValue(c) < 0x50 && GetBValue(c) < 0x50; };
    auto grey = [](COLORREF c) { return near_colour(c, RGB(0x80, 0x80, 0x80), 6); };
    // The drive's icon and letter end before 106; its free space follows in grey.
    int x = 106;
    while (x < s.width && !column_has(x, grey)) x++;
    while (x < s.width && !column_has(x, black)) x++;
    return x < s.width ? x : -1;
}

shot zote_session::capture() const { return page_ ? capture_of(page_) : shot(); }

shot zote_session::capture_of(HWND window)
{
    shot s;
    RECT rc = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window && !GetClientRect(window, &rc)) return s;
    POINT origin = {0, 0};
    if (window) ClientToScreen(window, &origin);
    s.width = rc.right;
    s.height = rc.bottom;
    bench::canvas c(s.width, s.height);
    HDC screen = GetDC(nullptr);
    BitBlt(c.dc(), 0, 0, s.width, s.height, screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    const DWORD* p = c.pixels();
    s.pixels.resize(size_t(s.width) * s.height);
    for (size_t i = 0; i < s.pixels.size(); i++) s.pixels[i] = RGB((p[i] >> 16) & 255, (p[i] >> 8) & 255, p[i] & 255);
    return s;
}

namespace {
struct process_windows {
    DWORD pid;
    HWND frame;
    std::vector<HWND> found;
};
BOOL CALLBACK collect_window(HWND w, LPARAM lp)
{
    auto* s = reinterpret_cast<process_windows*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->pid && w != s->frame && IsWindowVisible(w)) s->found.push_back(w);
    return TRUE;
}
}  // namespace

std::vector<HWND> zote_session::other_windows() const
{
    process_windows s = {pid_, frame_, {}};
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

}  // namespace screen
