// The file clipboard through the real clipboard: the list another process
// reads and pastes byte for byte, cut pastes that replace and never lose an
// item, pastes onto the item itself, the overwrite answers, and a cut across
// two drives with a file held open.
#include "browser/archives/archive_folder.h"
#include "browser/operations/file_clipboard.h"
#include "files/files.h"
#include "base/holders.h"
#include <shlobj.h>
#include "tests/browser/paste_fixtures.h"
#include "tests/support/held_file.h"
#include <memory>

using namespace keys_fixture;
using namespace paste_fixture;

namespace {
std::string env(const char* name)
{
    char value[MAX_PATH] = "";
    GetEnvironmentVariableA(name, value, sizeof value);
    return value;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A binary payload that differs per name.
std::string payload(const std::string& name, size_t n)
{
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; i++) bytes[i] = char((i * 31 + name.size() * 7 + name[0]) & 0xFF);
    return bytes;
}
}  // namespace

// The second process: reads what the first put on the clipboard and pastes it.
ZOTE_CHILD(paste_from_clipboard)
{
    bench::install_message_box_seam(IDOK);
    clipboard_read_state s;
    clipboard_files_open(&s);
    int ok = clipboard_query_files(&s);
    printf("valid=%d cut=%d effect=%lu count=%d\n", s.valid, s.cut, s.effect, s.count);
    if (ok && s.medium.tymed == TYMED_HGLOBAL) {
        global_lock bytes(s.medium.hGlobal);
        const DROPFILES* d = reinterpret_cast<const DROPFILES*>(bytes.get());
        printf("pFiles=%lu wide=%d\n", d->pFiles, d->fWide);
    }
    for (int i = 0; i < s.count; i++) {
        char path[MAX_PATH];
        clipboard_file(&s, i, path);
        printf("file=%s\n", file_name_of(path));
    }
    clipboard_files_close(&s);
    fflush(stdout);
    browser_page page(400, 300);
    return paste_into(env("ZOTE_PASTE_TO")) ? 0 : 3;
}

TEST(FileClipboard, CopyInOneProcessPasteInAnother)
{
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    const std::vector<std::string> names = {"a b.jpg", "表.jpg", "z.jpg"};
    for (const std::string& n : names) dir.write("from\\" + n, payload(n, 70000));
    dir.write("from\\left.jpg", "x");
    CreateDirectoryA(dir.file("to").c_str(), nullptr);
    for (int cut : {0, 1}) {
        SCOPED_TRACE(cut);
        {
            browser_page page(800, 600);
            mark_and_put(page, dir.file("from"), names, cut);
        }
        SetEnvironmentVariableA("ZOTE_PASTE_TO", dir.file("to").c_str());
        bench::child_result r = bench::run_child("paste_from_clipboard");
        EXPECT_EQ(r.exit_code, 0u) << r.output;
        EXPECT_NE(r.output.find(cut ? "valid=1 cut=1 effect=2 count=3" : "valid=1 cut=0 effect=5 count=3"),
                  std::string::npos)
            << r.output;
        EXPECT_NE(r.output.find("pFiles=20 wide=0"), std::string::npos) << r.output;
        // In list order.
        size_t a = r.output.find("file=a b.jpg"), z = r.output.find("file=z.jpg"), k = r.output.find("file=表.jpg");
        EXPECT_TRUE(a < z && z < k && k != std::string::npos) << r.output;
        for (const std::string& n : names) {
            std::string pasted = cut ? dir.file("to\\" + n) : dir.file("to\\" + n);
            EXPECT_TRUE(bench::read_file(pasted) == payload(n, 70000)) << n;
            EXPECT_EQ(exists(dir.file("from\\" + n)), !cut) << n;
            if (cut) bench::write_file(dir.file("from\\" + n), payload(n, 70000));
            DeleteFileA(pasted.c_str());
        }
        EXPECT_TRUE(exists(dir.file("from\\left.jpg")));
        // After a cut paste the clipboard lists nothing.
        if (cut) { EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP)); }
    }
}

// Overwrite answers: three clashes in the destination, the robot's answers,
// and what each destination file holds afterwards ("new", "old" or renamed).
TEST(FileClipboard, OverwriteAnswers)
{
    bench::clipboard_lock lock;
    struct answers_case {
        const char* name;
        std::vector<answer> answers;
        int dialogs;
        const char* after;  // per file: n new over old, o old kept, r old kept and a renamed copy
    };
    const answers_case cases[] = {
        {"yes each", {{1, false}, {1, false}, {1, false}}, 3, "nnn"},
        {"no and all", {{4, true}}, 1, "rrr"},
        {"cancel and all", {{2, true}}, 1, "ooo"},
        {"cancel one, then yes and all", {{2, false}, {1, true}}, 2, "onn"},
    };
    for (int cut : {0, 1})
        for (const answers_case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (cut ? " cut" : " copy"));
            bench::scratch_dir dir;
            std::vector<std::string> names = {"1.jpg", "2.jpg", "3.jpg"};
            for (const std::string& n : names) {
                dir.write("from\\" + n, "new " + n);
                dir.write("to\\" + n, "old " + n);
            }
            browser_page page(800, 600);
            mark_and_put(page, dir.file("from"), names, cut);
            dialog_robot robot(c.answers);
            EXPECT_EQ(paste_into(dir.file("to")), 1);
            EXPECT_EQ(robot.answered(), c.dialogs);
            for (size_t i = 0; i < names.size(); i++) {
                const std::string& n = names[i];
                std::string renamed = dir.file("to\\" + n.substr(0, 1) + "0.jpg");
                char kind = c.after[i];
                EXPECT_EQ(bench::read_file(dir.file("to\\" + n)), (kind == 'n' ? "new " : "old ") + n) << n;
                EXPECT_EQ(exists(renamed), kind == 'r') << n;
                if (kind == 'r') { EXPECT_EQ(bench::read_file(renamed), "new " + n); }
                // A cut source goes exactly when it was placed.
                bool placed = kind == 'n' || kind == 'r';
                EXPECT_EQ(exists(dir.file("from\\" + n)), !(cut && placed)) << n;
            }
        }
}

TEST(FileClipboard, TheQuestionNamesTheItem)
{
    bench::scratch_dir dir;
    dir.write("a\\x.jpg", "new");
    dir.write("b\\x.jpg", "old");
    dialog_robot robot({{4, false}});
    overwrite_answers answers = {};
    EXPECT_EQ(paste_one_item(dir.file("a\\x.jpg").c_str(), dir.file("b\\x.jpg").c_str(), 0, &answers), 1);
    EXPECT_EQ(robot.answered(), 1);
    EXPECT_NE(robot.last_text().find("x.jpg"), std::string::npos);
    EXPECT_EQ(robot.last_text().find(dir.path()), std::string::npos);
    EXPECT_EQ(bench::read_file(dir.file("b\\x0.jpg")), "new");
}

// Pasting onto the item itself, under any spelling: a copy takes a new name,
// a cut or a move leaves the item as it was, even with "yes to all" stored.
TEST(FileClipboard, NeverOntoItself)
{
    bench::scratch_dir dir;
    std::string path = dir.write("self\\Photo.jpg", "precious");
    char short_path[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), short_path, sizeof short_path);
    std::string upper = path;
    for (char& ch : upper) ch = char(toupper(ch));
    for (const std::string& other : {path, upper, std::string(short_path)}) {
        SCOPED_TRACE(other);
        overwrite_answers yes_all = {1, 0, 0, 1, 0};
        EXPECT_EQ(paste_one_item(path.c_str(), other.c_str(), 1, &yes_all), 0);
        EXPECT_EQ(bench::read_file(path), "precious");
        overwrite_answers again = {1, 0, 0, 1, 0};
        EXPECT_EQ(move_one_item(path.c_str(), other.c_str(), &again), 0);
        EXPECT_EQ(bench::read_file(path), "precious");
    }
    overwrite_answers answers = {};
    EXPECT_EQ(paste_one_item(path.c_str(), path.c_str(), 0, &answers), 1);
    EXPECT_EQ(bench::read_file(dir.file("self\\Photo0.jpg")), "precious");
}

// A folder cut from drive C: to drive H: while one of its files is held open:
// nothing is removed from the source, and no half copy stays behind.
TEST(FileClipboard, CutAcrossDrivesKeepsWhatWasNotCopied)
{
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    dir.write("src\\album\\1.jpg", payload("1", 5000));
    std::string held = dir.write("src\\album\\2.jpg", payload("2", 5000));
    std::string target = "H:\\paste-across";
    bench::remove_tree(target);
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    {
        browser_page page(800, 600);
        mark_and_put(page, dir.file("src"), {"album\\1.jpg"}, 1);
    }
    HANDLE open = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    paste_into(target);
    CloseHandle(open);
    EXPECT_TRUE(bench::read_file(dir.file("src\\album\\1.jpg")) == payload("1", 5000));
    EXPECT_TRUE(bench::read_file(held) == payload("2", 5000));
    EXPECT_FALSE(exists(target + "\\album"));
    // Released, the same cut goes through whole.
    {
        browser_page page(800, 600);
        mark_and_put(page, dir.file("src"), {"album\\1.jpg"}, 1);
    }
    paste_into(target);
    EXPECT_TRUE(bench::read_file(target + "\\album\\2.jpg") == payload("2", 5000));
    EXPECT_FALSE(exists(dir.file("src\\album")));
    bench::remove_tree(target);
}

// A cut across drives copies first and deletes afterwards: a file another
// program holds open (for reading, as a viewer does) is copied but stays at
// its source, and the paste says which files stayed; the rest are moved.
TEST(FileClipboard, CutAcrossDrivesSaysWhichFilesStayed)
{
    struct {
        const char* what;
        std::vector<std::string> cut;
        const char* held;  // under src
        std::vector<std::string> moved;
    } cases[] = {
        {"a file", {"表1.jpg", "2.jpg"}, "表1.jpg", {"2.jpg"}},
        {"a folder", {"ソ\\a.jpg"}, "ソ\\能\\b.jpg", {"ソ\\a.jpg", "ソ\\能\\c.jpg"}},
        {"nothing held", {"3.jpg"}, nullptr, {"3.jpg"}},
    };
    bench::clipboard_lock lock;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bench::scratch_dir dir;
        for (const char* n : {"表1.jpg", "2.jpg", "3.jpg", "ソ\\a.jpg", "ソ\\能\\b.jpg", "ソ\\能\\c.jpg"})
            dir.write(std::string("src\\") + n, payload(n, 3000));
        std::string target = "H:\\paste-held";
        bench::remove_tree(target);
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
        {
            browser_page page(800, 600);
            mark_and_put(page, dir.file("src"), c.cut, 1);
        }
        bench::install_message_box_seam(IDOK);
        std::string held_path = c.held ? dir.file(std::string("src\\") + c.held) : "";
        {
            current_folder_kept back;  // the paste makes the target current; it is removed afterwards
            std::unique_ptr<bench::held_file> holder;
            if (c.held) {
                holder.reset(new bench::held_file(held_path));
                ASSERT_TRUE(holder->held());
            }
            paste_into(target);
        }
        if (c.held) {
            ASSERT_EQ(bench::message_boxes.size(), 1u);
            EXPECT_EQ(bench::message_boxes[0].title, "ZOTE - 警告");
            EXPECT_EQ(bench::message_boxes[0].text,
                      "次のファイルは移動できず，元の場所に残っています．\n　\n" + held_path + "\n");
            EXPECT_TRUE(bench::read_file(held_path) == payload(c.held, 3000));
            EXPECT_TRUE(bench::read_file(target + "\\" + c.held) == payload(c.held, 3000));
        } else {
            EXPECT_TRUE(bench::message_boxes.empty());
        }
        for (const std::string& m : c.moved) {
            EXPECT_FALSE(exists(dir.file("src\\" + m))) << m;
            EXPECT_TRUE(bench::read_file(target + "\\" + m) == payload(m, 3000)) << m;
        }
        bench::remove_tree(target);
    }
}

// Shift+click on a shortcut to a folder on drive H: moves the marked entries
// into that folder; one held open by another program is copied but stays,
// and the move says so with the cut paste's message.
TEST(FileClipboard, MoveIntoAFolderAcrossDrivesSaysWhichFilesStayed)
{
    struct {
        const char* what;
        const char* held;  // under src, or none
    } cases[] = {{"a file held", "表1.jpg"}, {"nothing held", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bench::scratch_dir dir;
        for (const char* n : {"表1.jpg", "2.jpg"}) dir.write(std::string("src\\") + n, payload(n, 3000));
        std::string box = "H:\\move-held\\箱";
        bench::remove_tree("H:\\move-held");
        ASSERT_TRUE(md_path(box.c_str()));
        ASSERT_TRUE(bench::write_file(box + "\\old.jpg", "old"));
        ASSERT_TRUE(create_shortcut(dir.file("src\\箱.lnk").c_str(), box.c_str(), 0, 0, 0, 0));
        current_folder_kept back;  // the list's folder is current; the scratch folder goes afterwards
        browser_page page(800, 600);
        browser_list.settings.all = 1;  // the shortcut is listed beside the images
        page.load(dir.file("src"));
        int link = -1;
        for (int i = 0; i < browser_list.count; i++) {
            if (strstr(browser_list.names[i], ".lnk"))
                link = i;
            else
                toggle_mark(i);
        }
        ASSERT_GE(link, 0);
        ASSERT_EQ(browser_list.selected_count, 2);
        bench::install_message_box_seam(IDOK);
        std::string held_path = c.held ? dir.file(std::string("src\\") + c.held) : "";
        {
            std::unique_ptr<bench::held_file> holder;
            if (c.held) {
                holder.reset(new bench::held_file(held_path));
                ASSERT_TRUE(holder->held());
            }
            SendMessageA(page.window(), WM_LBUTTONDOWN, MK_SHIFT,
                         page.centre(link % browser_list.columns, link / browser_list.columns));
        }
        for (const char* n : {"表1.jpg", "2.jpg"}) {
            EXPECT_TRUE(bench::read_file(box + "\\" + n) == payload(n, 3000)) << n;
            EXPECT_EQ(exists(dir.file(std::string("src\\") + n)), c.held && strcmp(n, c.held) == 0) << n;
        }
        if (c.held) {
            ASSERT_EQ(bench::message_boxes.size(), 1u);
            EXPECT_EQ(bench::message_boxes[0].title, "ZOTE - 警告");
            EXPECT_EQ(bench::message_boxes[0].text,
                      "次のファイルは移動できず，元の場所に残っています．\n　\n" + held_path + "\n");
        } else {
            EXPECT_TRUE(bench::message_boxes.empty());
        }
        bench::remove_tree("H:\\move-held");
    }
}

// Shortcuts to the clipboard's items, and a folder's structure without its files.
TEST(FileClipboard, ShortcutsAndFoldersOnly)
{
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    dir.write("src\\tree\\a\\1.jpg", "x");
    dir.write("src\\tree\\b\\c\\2.jpg", "x");
    CreateDirectoryA(dir.file("to").c_str(), nullptr);
    {
        browser_page page(800, 600);
        mark_and_put(page, dir.file("src"), {"1.jpg"}, 0);
    }
    change_folder(dir.file("to").c_str());
    cache_current_dir();
    clipboard_read_state s;
    clipboard_files_open(&s);
    EXPECT_EQ(paste_folders_only(&s), 1);
    clipboard_files_close(&s);
    EXPECT_TRUE(exists(dir.file("to\\tree\\a")));
    EXPECT_TRUE(exists(dir.file("to\\tree\\b\\c")));
    EXPECT_FALSE(exists(dir.file("to\\tree\\a\\1.jpg")));
    clipboard_files_open(&s);
    EXPECT_EQ(paste_shortcuts(&s), 1);
    clipboard_files_close(&s);
    char target[MAX_PATH] = "";
    EXPECT_EQ(resolve_shortcut(dir.file("to\\tree.lnk").c_str(), target), 2);
    EXPECT_TRUE(text_equal_ci(target, dir.file("src\\tree").c_str())) << target;
}
