// The screen bench: the real program started on a folder the test made, in
// a temporary folder and a settings folder of its own, driven by real input
// (SendInput) and read back from the screen. After every input the bench
// waits until the program waits for the user again: it posts the registered
// message "kavtrel-idle-probe", and the program releases the semaphore
// "kavtrel-idle-<process id>" once its main loop finds nothing left to do or
// a modal dialog or menu of it goes idle. (WaitForInputIdle cannot tell: Wine
// sets the idle event once and never resets it, and the drawing passes pump
// with PeekMessage, which answers sent messages in the middle of a redraw.)
#pragma once
#include "tests/support/bench.h"
#include <windows.h>
#include <string>
#include <vector>

namespace screen {

// What the window shows: the pixels of a window's client area, top-down.
struct shot {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[size_t(y) * width + x]; }
    // Pixels in [left, right) x [top, bottom) within tolerance of colour.
    int count(RECT r, COLORREF colour, int tolerance = 12) const;
    // Pixels in the rectangle that differ from colour by more than the tolerance.
    int count_other(RECT r, COLORREF colour, int tolerance = 12) const;
    // Written as a BMP file (to look at when a test fails).
    bool save(const std::string& path) const;
};
bool near_colour(COLORREF a, COLORREF b, int tolerance = 12);
inline bool ends_with(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Picture i of a test folder has a colour of its own, far from white, grey
// and the text colours.
COLORREF picture_colour(int i);
// A JPEG of one colour, written by the project's writer.
void write_picture(const std::string& path, int width, int height, COLORREF colour);
// Names with trail bytes 0x5C: "%02d表.jpg", "%02dソ.jpg", "%02d能.jpg" in turn.
std::string picture_name(int i);
// Pictures first .. first + n - 1 by those names and colours, made in folder
// (created when missing).
void write_pictures(const std::string& folder, int first, int n, int width = 64, int height = 48);
// A new folder of the name holding pictures 0 .. n - 1, removed at the end.
struct picture_folder {
    bench::scratch_dir dir;
    std::string path;
    picture_folder(const char* name, int n) : path(dir.file(name)) { write_pictures(path, 0, n); }
    std::string file(const std::string& name) const { return path + "\\" + name; }
};

// Camera photos, 4000 x 3000 (every fourth 3000 x 4000): a few different
// ones are made once per build tree (build/photos) and copied into folder
// under each of the names.
void copy_camera_photos(const std::string& folder, const std::vector<std::string>& names);

// The grid as the page lays it out: margins of 20 pixels, cells of the
// thumbnail size and a gap of 14, as many as fit the client area.
struct grid {
    int cell_size = 142;
    int columns = 1, rows = 1;
    static grid of(const shot& s, int size = 128);
    // The grid after the column command n (the largest size that fits n columns and a row).
    static grid at_columns(const shot& s, int n);
    int per_page() const { return columns * rows; }
    // The cell of the i-th position on the page: left, top, right, bottom.
    RECT cell(int position) const;
    // Its name line and the line of counts above its bottom line.
    RECT name_line(int position) const;
    RECT count_line(int position) const;
    POINT centre(int position) const;
};

// What a drawn cell shows at its picture: a colour, or ANY_PICTURE for a
// picture of several colours (such as the frame of a folder without pictures);
// NOTHING for an entry that is not drawn at all (a cut one).
extern const COLORREF ANY_PICTURE, NOTHING;
struct cell_expected {
    COLORREF picture;
    bool counts = false;  // a folder: the second pass writes its size above the bottom line
};
// The differences between the page and the cells expected in positions
// 0, 1, ... (one line each; empty when there are none): a drawn cell shows its
// picture and its name and, around them, nothing else; every later cell of the
// page is background only.
std::string page_differences(const shot& s, const grid& g, const std::vector<cell_expected>& cells);
// The same, keeping the shot beside the test program as screen-<label>.bmp when anything differs.
std::string check_page(const shot& s, const grid& g, const std::vector<cell_expected>& cells, const std::string& label);
// The cells of pictures first .. first + n - 1 of a test folder.
std::vector<cell_expected> picture_cells(int first, int n);
// The x of the first path button of the toolbar line: the first black text
// after the drive's free space, which is written in grey. -1 when not found.
int first_path_button(const shot& s);

// The page's background (the list's default colour).
COLORREF background();
// Whether the cell at position carries the selection frame (grey, a pixel inside its edges).
bool framed(const shot& s, const grid& g, int position);

class zote_session {
public:
    // Starts the installed program on folder (a full path), with the options
    // before it on the command line, and waits until its window waits for the
    // user. A script (a path ending in ".a.txt") runs in the console window.
    explicit zote_session(const std::string& folder, const std::string& options = "");
    // A second window of the same user beside a running session: started the
    // same way, with the same temporary folder (work folders, staging).
    zote_session(const std::string& folder, const zote_session& beside);
    // Started, without waiting: its first input comes while it still draws.
    struct no_wait {};
    zote_session(const std::string& folder, no_wait);
    // A new window that another session's program opened (it shares that
    // session's temporary folder), driven as a session of its own.
    struct opened {};
    zote_session(HWND frame, opened);
    // The program's window in a process other than this session's: a new
    // window it opened. nullptr when none shows within ms.
    HWND new_window(DWORD ms = 30000) const;
    ~zote_session();
    zote_session(const zote_session&) = delete;
    zote_session& operator=(const zote_session&) = delete;

    bool running() const { return frame_ != nullptr; }
    HWND frame() const { return frame_; }
    HWND page() const { return page_; }
    DWORD process_id() const { return pid_; }
    std::string title() const;

    // Input, one event at a time, each followed by settle(): keys with
    // modifiers held (VK_CONTROL, VK_SHIFT, VK_MENU), the pointer on a point
    // of the page's client area, clicks there. Clicks carry their own times:
    // two clicks are never taken for a double click, the two of a double
    // click always are, whatever the time the program takes between them.
    void key(WORD vk, std::initializer_list<WORD> held = {});
    // A key pressed and released in one go, for keys whose handler runs as
    // long as the key is held (the release ends it): then settle().
    void tap(WORD vk);
    // The same without waiting for the program: a driver that presses the
    // next key while the program works waits for what it expects itself.
    void press(WORD vk);
    void move_to(POINT client);
    void click(POINT client, std::initializer_list<WORD> held = {});
    // A click on a point of another window of the program (a dialog's client area).
    void click_in(HWND window, POINT client);
    void double_click(POINT client);
    // A click with a key held, all four events sent at once, for handlers
    // that wait for the key's release: then settle().
    void chord_click(POINT client, WORD held);
    // A key pressed while another is held: the held key goes down (then
    // settle()), the key is pressed, and the held key is released `hold_ms`
    // later, whether or not the program waits for the user: then settle().
    void chord_key(WORD vk, WORD held, DWORD hold_ms = 0);
    // Keys typed as a person types them, through the X server ("xdotool key"
    // with its key names, such as "alt+Left": the keys of a chord go down in
    // turn and up in the reverse order): then settle(). False when xdotool
    // could not run.
    bool typed(const std::string& keys);
    // Text (cp932) typed through the X server ("xdotool type"), each
    // character on a key of its own: then settle(). False when xdotool could
    // not run.
    bool typed_text(const std::string& text);
    // Waits until the program waits for the user again, with every message
    // that the input caused handled (a moved pointer comes back from the X
    // server as a second move); false when it does not within the time.
    bool settle(DWORD ms = 30000);

    // For drivers that judge the outcome themselves: the events sent at once
    // (the program's window brought to the front unless one of its windows
    // is there), then whether it waited for the user again within ms.
    bool input(const std::vector<INPUT>& events, DWORD ms);

    shot capture() const;
    // The client area of any window (nullptr: the whole screen).
    static shot capture_of(HWND window);
    // The grid of what the page shows now at the start's thumbnail size.
    grid page_grid() const { return grid::of(capture()); }
    // Visible top-level windows of the program other than its frame (dialogs,
    // message boxes, new windows).
    std::vector<HWND> other_windows() const;
    // A visible top-level window of another process whose title holds text.
    static HWND window_titled(const std::string& text, DWORD ms);

    // Closes the program (command 65501) and waits for its end; false when it
    // had to be ended by force.
    bool close();
    // Whether the program still runs.
    bool alive() const;
    // Whether the program has loaded the DLL named (a file name).
    bool has_loaded(const char* dll) const;
    // Empty while the program runs or after it ended well; else how it ended
    // (its exit code, and the guarded heap's report of a fault). A session
    // that ends otherwise fails its test.
    std::string fault() const;

private:
    bool start(const std::string& folder, const std::string& options);
    // A Linux program run on the bench's display: then settle().
    bool linux_input(std::vector<std::string> args);
    bool attach(HWND frame);
    // One input event, then settle().
    void send(const INPUT& input);
    bool wait_idle(DWORD ms);
    void drain_idle();
    DWORD next_click_time();
    DWORD last_click_ = 0;
    POINT last_click_at_ = {};
    bench::scratch_dir dir_;
    std::string temp_;  // its temporary folder
    std::string heap_report_;
    HWND frame_ = nullptr, page_ = nullptr;
    HANDLE process_ = nullptr, idle_ = nullptr;
    DWORD pid_ = 0;
};

// A folder as the window's title shows it: the drive letter upper-cased, "/" for "\".
std::string shown_folder(std::string folder);
// A window's text, as GetWindowText gives it.
std::string window_text(HWND w);
// The text of a message box of another process.
std::string box_text(HWND box);

// The installed program: the build tree's zote.exe built with the guarded
// heap (zote_guarded.exe), beside the tests' folder.
std::string installed_program();

// Ends another process's window and waits for its process.
bool close_window_process(HWND window);

// Input events as SendInput takes them: a key going down or up, a button.
INPUT key_event(WORD vk, bool down);
INPUT button_event(DWORD flags);
// The same with the time it carries (GetTickCount's clock; 0: when it is sent).
INPUT button_event(DWORD flags, DWORD time);

}  // namespace screen
