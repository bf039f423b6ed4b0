// Entry operations on real files: the recycle bin through the shell's own
// question, new entries named in place beside an old placeholder, and the
// clipboard list of a path that fills its buffer.
#include "browser/operations/entry_ops.h"
#include "tests/browser/paste_fixtures.h"

using namespace keys_fixture;
using namespace paste_fixture;

namespace {
int renumbered;
int numbered() { return 1; }
void count_renumber(int, int) { renumbered++; }
bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

// The shell asks; Yes deletes, No keeps the files and is a failure. A folder
// numbered in order closes up its numbers unless nothing is left.
TEST(EntryOps, RecycleBinAsksAndADeclineIsAFailure)
{
    struct recycle_case {
        const char* name;
        int button;
        int marked;
        int result;
        bool gone;
        int renumbers;
    };
    const recycle_case cases[] = {
        {"declined", IDNO, 1, 0, false, 0},
        {"one of three", IDYES, 1, 1, true, 1},
        {"all three", IDYES, 3, 1, true, 0},
    };
    for (const recycle_case& c : cases) {
        SCOPED_TRACE(c.name);
        bench::scratch_dir dir;
        images(dir, "bin", 3);
        browser_page page(800, 600);
        page.load(dir.file("bin"));
        browser_op_hooks.number_order = numbered;
        browser_op_hooks.renumber = count_renumber;
        renumbered = 0;
        for (int i = 0; i < c.marked; i++) toggle_mark(i);
        dialog_robot robot({{c.button, false}});
        EXPECT_EQ(recycle_selected(), c.result);
        EXPECT_EQ(robot.answered(), 1);
        EXPECT_EQ(exists(dir.file("bin\\000.jpg")), !c.gone);
        EXPECT_EQ(renumbered, c.renumbers);
        EXPECT_EQ(browser_list.count, c.gone ? 3 - c.marked : 3);
    }
}

namespace {
std::string typed_name;
// The in-list editor as a user who types a name and presses Enter.
int type_name(int index, int, char* new_path)
{
    char old_path[MAX_PATH];
    if (!entry_full_path(index, old_path)) return 0;
    std::string to = std::string(current_folder.folder) + "\\" + typed_name;
    if (!MoveFileA(old_path, to.c_str())) return 0;
    text_copy(new_path, MAX_PATH, to.c_str());
    return 1;
}
int press_escape(int, int, char*) { return 0; }
}  // namespace

TEST(EntryOps, NewEntriesNeverTouchAnOldPlaceholder)
{
    bench::scratch_dir dir;
    dir.write("new\\0.newfolder.txt", "keep me");
    dir.write("new\\0.newfolder\\inside.jpg", "x");
    browser_page page(800, 600);
    browser_list.settings.textpic = 1;
    page.load(dir.file("new"));
    browser_op_hooks.rename_in_list = press_escape;
    EXPECT_EQ(create_new_entry(245), 0);
    EXPECT_EQ(create_new_entry(240), 0);
    EXPECT_EQ(bench::read_file(dir.file("new\\0.newfolder.txt")), "keep me");
    EXPECT_TRUE(exists(dir.file("new\\0.newfolder\\inside.jpg")));
    EXPECT_FALSE(exists(dir.file("new\\1.newfolder.txt")));
    EXPECT_FALSE(exists(dir.file("new\\1.newfolder")));
    browser_op_hooks.rename_in_list = type_name;
    typed_name = "memo";
    EXPECT_EQ(create_new_entry(245), 1);
    EXPECT_TRUE(exists(dir.file("new\\memo.txt")));
    typed_name = "album";
    EXPECT_EQ(create_new_entry(240), 1);
    EXPECT_TRUE(exists(dir.file("new\\album")));
    typed_name = "2.newfolder";
    EXPECT_EQ(create_new_entry(240), 0);
    EXPECT_FALSE(exists(dir.file("new\\2.newfolder")));
    EXPECT_EQ(bench::read_file(dir.file("new\\0.newfolder.txt")), "keep me");
}

// A marked entry whose full path takes all 259 bytes still fits the list.
TEST(EntryOps, ClipboardListHoldsAFullLengthPath)
{
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    std::string folder = dir.file("long");
    std::string name(259 - folder.size() - 1 - 4, 'n');
    std::string path = dir.write("long\\" + name + ".jpg", "x");
    ASSERT_EQ(path.size(), 259u);
    browser_page page(800, 600);
    mark_and_put(page, folder, {".jpg"}, 0);
    clipboard_read_state s;
    clipboard_files_open(&s);
    ASSERT_TRUE(clipboard_query_files(&s));
    char listed[MAX_PATH];
    EXPECT_TRUE(clipboard_file(&s, 0, listed));
    EXPECT_EQ(std::string(listed), path);
    clipboard_files_close(&s);
    EXPECT_TRUE(bench::message_boxes.empty());
}
