// Random input from a fixed seed through the program on a folder as a user
// has one: camera photos, subfolders and archives with Japanese names, a
// text file and a metafile. Keys and chords (the program's accelerator table
// among them), clicks and pointer moves, and commands drawn from the
// program's command table, each followed by the wait until the program waits
// for the user again. The run fails when the program ends (a fault the
// guarded heap caught included), stops answering, or a picture is gone from
// the folder, its subfolders and its archives.
//
// ZOTE_RANDOM_SEED and ZOTE_RANDOM_STEPS choose another run
// (tools/random_input.sh runs a long one).
#include "tests/screen/screen_bench.h"
#include "tests/graphics/metafile_seeds.h"
#include "tests/support/clipboard_lock.h"
#include "tests/support/census.h"
#include "browser/commands/commands.h"
#include "browser/model/command_ids.h"
#include "files/files.h"
#include <gtest/gtest.h>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// The pictures of a tree: files that hold a JPEG, PNG, TIFF, BMP or an
// enhanced metafile (whatever their names), and the members of its archives.
// A picture saved again in its own format is still one picture.
bool is_archive(const std::string& name)
{
    for (const char* ext : {".zip", ".lzh", ".cab", ".tgz", ".gz", ".tar"})
        if (name.size() > strlen(ext) && lstrcmpiA(name.c_str() + name.size() - strlen(ext), ext) == 0) return true;
    return false;
}

std::string file_head(const std::string& path, DWORD n)
{
    std::string head(n, '\0');
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    if (h != INVALID_HANDLE_VALUE) {
        ReadFile(h, &head[0], n, &got, nullptr);
        CloseHandle(h);
    }
    head.resize(got);
    return head;
}

bool holds_a_picture(const std::string& head)
{
    for (const char* magic : {"\xFF\xD8\xFF", "\x89PNG", "II*", "MM\x00*", "BM"})
        if (head.compare(0, strlen(magic), magic) == 0) return true;
    return head.size() >= 44 && head.compare(40, 4, " EMF") == 0;
}

int count_pictures(const std::string& folder)
{
    int n = 0;
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        std::string name = f.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..") continue;
        if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            n += count_pictures(path);
        } else if (is_archive(name)) {
            _lha* lha = open_archiver_for(path.c_str());
            HARC a = lha ? lha->open_archive(nullptr, path.c_str(), ARCHIVE_OPEN_MODE) : nullptr;
            archive_member_info m;
            for (int r = a ? lha->find_first(a, &m) : -1; r == 0; r = lha->find_next(a, &m)) n++;
            if (a) lha->close_archive(a);
        } else if (holds_a_picture(file_head(path, 44))) {
            n++;
        }
    } while (FindNextFileA(h, &f));
    FindClose(h);
    return n;
}

// Empty while the tree holds as many pictures as before, else how many are gone.
std::string pictures_gone(const std::string& root, int before)
{
    int now = count_pictures(root);
    return now >= before ? "" : std::to_string(before - now) + " of " + std::to_string(before) + " pictures gone\n";
}

// A hundred and twenty camera photos under Japanese names, in the folder and
// two subfolders (one with a folder of its own), small pictures packed in a
// ZIP and an LZH archive, a text file and a metafile.
struct album_tree {
    bench::scratch_dir dir;
    std::string root = dir.file("写真集表ソ");
    album_tree()
    {
        auto names = [](const char* format, int n) {
            std::vector<std::string> all;
            for (int i = 0; i < n; i++) {
                char name[64];
                snprintf(name, sizeof name, format, i + 1);
                all.push_back(name);
            }
            return all;
        };
        screen::copy_camera_photos(root, names("P%04d表.JPG", 100));
        screen::copy_camera_photos(root + "\\能楽ソ", names("能%02d表.jpg", 10));
        screen::copy_camera_photos(root + "\\ソース画像", names("画像%02dソ.jpeg", 10));
        screen::write_pictures(root + "\\ソース画像\\奥表", 0, 3);
        for (const char* archive : {"旅行表.zip", "古い写真ソ.lzh"}) {
            std::string source = dir.file(std::string("src-") + archive);
            screen::write_pictures(source, 3, 4);
            std::string path = root + "\\" + archive;
            _lha* lha = open_archiver_for(path.c_str());
            if (lha) lha->create(path.c_str(), source.c_str(), nullptr);
        }
        bench::write_file(root + "\\メモ表.txt", "旅行の写真：能楽堂にて\r\nソース画像は別のフォルダ\r\n");
        dir.write("写真集表ソ\\図ソ.emf", seeds::sample_emf(dir));
    }
};

// Commands that leave the folder by design, start other programs, act on
// whole drives or delete files: none of them is drawn.
bool drawn_command(int id)
{
    static const int denied[][2] = {
        {CM_QUIT_ALL, CM_QUIT_ALL},
        {CM_FOLDER_TREE, CM_JUMP_LAST},
        {CM_DRIVE_MENU, CM_DRIVE_MENU},
        {CM_SUBFOLDER_MENU, CM_SUBFOLDER_MENU},
        {CM_DRIVE_NEW_WINDOW, CM_DRIVE_NEW_WINDOW_LAST},
        {CM_EXPLORER, CM_EXPLORER},
        {CM_DESKTOP, CM_DRIVE_ROOT},
        {CM_DRIVE_CACHE_MAKE, CM_DRIVE_CACHE_COPY},
        {CM_SCAN_SOURCE, CM_SCAN_SOURCE},
        {CM_RECYCLE, CM_RECYCLE},
        {CM_SHELL_VERB_FIRST, CM_SHELL_VERB_LAST},
        {CM_SEND_TO_FIRST, CM_SEND_TO_LAST},
    };
    for (const auto& d : denied)
        if (id >= d[0] && id <= d[1]) return false;
    return true;
}

// The keys of the program's key handlers, less those that leave the folder
// (L, Y), delete (Delete) or open the help (F1).
const WORD keys[] = {VK_LEFT,     VK_RIGHT,     VK_UP,   VK_DOWN, VK_HOME,   VK_END, VK_PRIOR, VK_NEXT, VK_RETURN,
                     VK_SPACE,    VK_ESCAPE,    VK_BACK, VK_TAB,  VK_INSERT, VK_F2,  VK_F5,    VK_APPS, VK_OEM_1,
                     VK_OEM_PLUS, VK_OEM_MINUS, '0',     '1',     '2',       '3',    '4',      '5',     '6',
                     '7',         '8',          '9',     'A',     'B',       'C',    'D',      'E',     'F',
                     'G',         'H',          'I',     'J',     'K',       'M',    'N',      'O',     'P',
                     'Q',         'R',          'S',     'T',     'U',       'V',    'W',      'X',     'Z'};
const WORD modifiers[] = {VK_SHIFT, VK_CONTROL, VK_MENU};

class random_run {
public:
    random_run(screen::zote_session& z, const std::string& root, unsigned seed)
        : z_(z), rng_(seed), root_title_(screen::shown_folder(root) + "/")
    {
        // The chords of the program's own accelerator table.
        HMODULE program = LoadLibraryExA(screen::installed_program().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HACCEL table = program ? LoadAcceleratorsA(program, MAKEINTRESOURCEA(116)) : nullptr;
        ACCEL all[64];
        int n = table ? CopyAcceleratorTableA(table, all, 64) : 0;
        for (int i = 0; i < n; i++)
            if (drawn_command(all[i].cmd)) chords_.push_back(all[i]);
        if (table) DestroyAcceleratorTable(table);
        if (program) FreeLibrary(program);
        for (int i = 0; i < command_table_rows; i++) rows_.push_back(&command_table[i]);
        EnumWindows(note_window, reinterpret_cast<LPARAM>(&windows_before_));
    }
    size_t chords() const { return chords_.size(); }

    // One step; an empty text while all is well, else what went wrong.
    std::string step(int n)
    {
        std::string what;
        std::vector<INPUT> events = next_input(&what);
        remember(n, what);
        bool idle = events.empty() ? z_.settle(500) : z_.input(events, 500);
        if (!idle) idle = wait_for_the_user();
        if (!idle && !wait_with_escapes()) return z_.alive() ? "the program stops answering" : "";
        if (!z_.alive()) return "the program ended";
        answer_dialogs();
        close_other_programs();
        return back_into_the_folder();
    }
    std::string last_steps() const
    {
        std::string all;
        for (const std::string& s : log_) all += s + "\n";
        return all;
    }
    void answer_dialogs()
    {
        for (int round = 0; round < 8; round++) {
            HWND dialog = nullptr;
            bool folders = false;
            for (HWND w : z_.other_windows()) {
                char cls[32] = "";
                GetClassNameA(w, cls, sizeof cls);
                if (strcmp(cls, "#32770") != 0 && strcmp(cls, "#32768") != 0) continue;
                dialog = w;
                folders = strcmp(cls, "#32768") == 0 || FindWindowExA(w, nullptr, "SysTreeView32", nullptr);
            }
            if (!dialog) return;
            // A menu or the folder dialog is cancelled; a dialog is answered
            // with its default button now and then.
            WORD key = !folders && pick(4) == 0 ? VK_RETURN : VK_ESCAPE;
            remember(-1, std::string(key == VK_RETURN ? "answer: Enter" : "answer: Escape") + " to " +
                             dialog_words(dialog));
            SetForegroundWindow(dialog);
            if (!z_.input({screen::key_event(key, true), screen::key_event(key, false)}, 5000)) wait_with_escapes();
        }
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    // A dialog's title and the text of a message box, for the log.
    static std::string dialog_words(HWND dialog)
    {
        std::string words = "[" + screen::window_text(dialog) + "]";
        if (HWND text = GetDlgItem(dialog, 0xFFFF)) words += " " + screen::window_text(text);
        for (char& c : words)
            if (c == '\n' || c == '\r') c = ' ';
        return words;
    }

    void remember(int n, const std::string& what)
    {
        log_.push_back((n >= 0 ? std::to_string(n) + ": " : "    ") + what);
        if (log_.size() > 40) log_.pop_front();
    }

    bool at_root() const
    {
        std::string t = z_.title();
        return t.compare(0, root_title_.size(), root_title_) == 0 && t.size() > root_title_.size() &&
               t[root_title_.size()] == ' ';
    }

    INPUT pointer_at(POINT client)
    {
        POINT p = client;
        ClientToScreen(z_.page(), &p);
        INPUT in = {};
        in.type = INPUT_MOUSE;
        in.mi.dx = p.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = p.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        return in;
    }

    static void press(std::vector<INPUT>& e, WORD key, const std::vector<WORD>& held)
    {
        for (WORD h : held) e.push_back(screen::key_event(h, true));
        e.push_back(screen::key_event(key, true));
        e.push_back(screen::key_event(key, false));
        for (auto h = held.rbegin(); h != held.rend(); ++h) e.push_back(screen::key_event(*h, false));
    }

    std::vector<INPUT> next_input(std::string* what)
    {
        std::vector<INPUT> e;
        RECT client;
        GetClientRect(z_.page(), &client);
        int kind = pick(100);
        if (kind < 35) {  // a key, now and then with Shift, Ctrl or Alt
            WORD key = keys[pick(sizeof keys / sizeof *keys)];
            std::vector<WORD> held;
            if (pick(6) == 0) held.push_back(modifiers[pick(3)]);
            if (key == VK_BACK && at_root()) key = VK_HOME;
            press(e, key, held);
            *what = "key " + std::to_string(key) + (held.empty() ? "" : " with " + std::to_string(held[0]));
        } else if (kind < 45 && !chords_.empty()) {  // a chord of the accelerator table
            const ACCEL& a = chords_[pick(int(chords_.size()))];
            std::vector<WORD> held;
            if (a.fVirt & FCONTROL) held.push_back(VK_CONTROL);
            if (a.fVirt & FSHIFT) held.push_back(VK_SHIFT);
            if (a.fVirt & FALT) held.push_back(VK_MENU);
            press(e, a.key, held);
            *what = "chord for command " + std::to_string(a.cmd);
        } else if (kind < 75) {  // a click in the grid or on the strip's steps
            bool strip = pick(8) == 0;
            POINT p = {strip ? pick(20) : 20 + pick(std::max<int>(1, client.right - 20)),
                       strip ? 150 + pick(std::max<int>(1, client.bottom - 150))
                             : 20 + pick(std::max<int>(1, client.bottom - 20))};
            e.push_back(pointer_at(p));
            int how = pick(20);
            WORD held = pick(6) == 0 ? modifiers[pick(3)] : 0;
            if (held) e.push_back(screen::key_event(held, true));
            DWORD down = how < 3 ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
            DWORD up = how < 3 ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
            for (int k = 0; k < (how >= 15 ? 2 : 1); k++) {
                e.push_back(screen::button_event(down));
                e.push_back(screen::button_event(up));
            }
            if (held) e.push_back(screen::key_event(held, false));
            *what = std::string(how < 3     ? "right click"
                                : how >= 15 ? "double click"
                                            : "click") +
                    " at " + std::to_string(p.x) + "," + std::to_string(p.y) +
                    (held ? " with " + std::to_string(held) : "");
        } else if (kind < 85) {  // the pointer moves
            POINT p = {pick(std::max<int>(1, client.right)), pick(std::max<int>(1, client.bottom))};
            e.push_back(pointer_at(p));
            *what = "pointer to " + std::to_string(p.x) + "," + std::to_string(p.y);
        } else {  // a command of the command table, as a menu sends it
            const command_row* row = rows_[pick(int(rows_.size()))];
            int id = row->first + pick(row->last - row->first + 1);
            if (!drawn_command(id) || (id == CM_PARENT && at_root())) id = CM_RELOAD;
            PostMessageA(z_.frame(), WM_COMMAND, id, 0);
            *what = "command " + std::to_string(id);
        }
        return e;
    }

    // A long pass ends by itself; a slide show never waits for the user
    // until a key stops it (after a while, when it fills the screen).
    bool wait_for_the_user()
    {
        for (DWORD waited = 500; waited < 8000; waited += 500) {
            if (z_.settle(500)) return true;
            if (waited >= 2000 && full_screen_shown()) return false;
        }
        return false;
    }
    bool full_screen_shown() const
    {
        for (HWND w : z_.other_windows()) {
            char cls[32] = "";
            GetClassNameA(w, cls, sizeof cls);
            if (strncmp(cls, "kvtfscrn", 8) == 0) return true;
        }
        return false;
    }

    // A slide show, a long paste or a long pass: Escape stops the first two
    // (a stopped paste says how many items it made) and waits for the third.
    bool wait_with_escapes()
    {
        for (int i = 0; i < 4 && z_.alive(); i++) {
            remember(-1, "not waiting yet: Escape");
            if (z_.input({screen::key_event(VK_ESCAPE, true), screen::key_event(VK_ESCAPE, false)}, 15000)) return true;
        }
        DWORD_PTR r;
        return z_.alive() && SendMessageTimeoutA(z_.frame(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &r) &&
               z_.settle(60000);
    }

    static BOOL CALLBACK note_window(HWND w, LPARAM set)
    {
        reinterpret_cast<std::set<HWND>*>(set)->insert(w);
        return TRUE;
    }

    // New windows the program started (another instance of itself): closed.
    void close_other_programs()
    {
        std::set<HWND> now;
        EnumWindows(note_window, reinterpret_cast<LPARAM>(&now));
        for (HWND w : now) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (windows_before_.count(w) || pid == z_.process_id() || pid == GetCurrentProcessId() ||
                !IsWindowVisible(w) || GetWindow(w, GW_OWNER))
                continue;
            remember(-1, "another program's window closed");
            screen::close_window_process(w);
        }
    }

    // A click on the first cell's corner at the folder's top opens its parent,
    // and the history's own keys step through it: the history brings the
    // program back, stepping forward to its newest entry, then back to its
    // oldest, until a folder of the album is shown.
    std::string back_into_the_folder()
    {
        auto inside = [&](const std::string& t) { return t.compare(0, root_title_.size(), root_title_) == 0; };
        for (WPARAM way : {CM_HISTORY_FORWARD, CM_HISTORY_BACK}) {
            for (int i = 0; i < 16; i++) {
                std::string before = z_.title();
                if (inside(before)) return "";
                remember(-1, way == CM_HISTORY_BACK ? "outside the folder: back" : "outside the folder: forward");
                PostMessageA(z_.frame(), WM_COMMAND, way, 0);
                if (!z_.settle(30000)) return "no way back into the folder";
                if (z_.title() == before) break;
            }
        }
        return inside(z_.title()) ? "" : "left the folder: " + z_.title();
    }

    screen::zote_session& z_;
    std::mt19937 rng_;
    std::string root_title_;
    std::vector<ACCEL> chords_;
    std::vector<const command_row*> rows_;
    std::set<HWND> windows_before_;
    std::deque<std::string> log_;
};

// What the program holds, printed every 500 steps, so that a long run shows
// whether it stays small; a run that keeps a tenth of what Windows gives a
// process in GDI objects has left some behind at every step.
std::string census_line(const screen::zote_session& z, unsigned n)
{
    bench::census c;
    if (!bench::ask_census(z.process_id(), &c)) return "no census";
    printf("step %u: resident %.1f MB, heap %.1f MB, GDI objects %ld (%s)\n", n + 1, c.resident_mb, c.heap_mb,
           c.gdi_total, c.gdi_text().c_str());
    return c.gdi_total < 1000 ? "" : "GDI objects left behind: " + c.gdi_text();
}

unsigned number_from(const char* variable, unsigned otherwise)
{
    char text[32];
    DWORD n = GetEnvironmentVariableA(variable, text, sizeof text);
    return n && n < sizeof text ? unsigned(strtoul(text, nullptr, 10)) : otherwise;
}

}  // namespace

TEST(RandomInput, NeitherCrashNorHangNorLoseAFile)
{
    unsigned seed = number_from("ZOTE_RANDOM_SEED", 20260101), steps = number_from("ZOTE_RANDOM_STEPS", 400);
    bench::clipboard_lock clipboard;
    album_tree album;
    int before = count_pictures(album.root);
    ASSERT_EQ(before, 132);
    screen::zote_session z(album.root);
    ASSERT_TRUE(z.running());
    random_run run(z, album.root, seed);
    ASSERT_GT(run.chords(), 5u);
    DWORD start = GetTickCount();
    for (unsigned n = 0; n < steps; n++) {
        std::string wrong = run.step(int(n));
        // Now and then the pictures are counted, so that a loss names the steps it came in.
        if (wrong.empty() && n % 20 == 19) wrong = pictures_gone(album.root, before);
        if (wrong.empty() && n % 500 == 499) wrong = census_line(z, n);
        ASSERT_EQ(wrong, "") << "seed " << seed << ", step " << n << "\n"
                             << run.last_steps() << z.title() << "\n"
                             << z.fault();
    }
    printf("seed %u: %u steps in %lu s\n", seed, steps, (GetTickCount() - start) / 1000);
    run.answer_dialogs();
    EXPECT_TRUE(z.close()) << "seed " << seed << ": the program did not end\n" << run.last_steps();
    EXPECT_EQ(z.fault(), "") << "seed " << seed << "\n" << run.last_steps();
    EXPECT_EQ(pictures_gone(album.root, before), "") << "seed " << seed << "\n" << run.last_steps();
}
