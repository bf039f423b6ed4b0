// Number prefixes, the numbering plan and the renames built on it, on real
// folders: partners, gaps, names that exist already and hostile patterns.
// Each case checks every file of the folder afterwards, so nothing is lost
// and nothing leaves it.
#include "browser/model/numbering.h"
#include "browser/model/browser_list.h"
#include "resources/small_dialogs.h"
#include "tests/browser/dialog_player.h"
#include "tests/browser/list_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {
typedef std::map<std::string, std::string> folder_files;  // name -> bytes

using list_fixture::in_folder;

folder_files files_of(const bench::scratch_dir& dir)
{
    folder_files out;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(dir.file("*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        std::string n = d.cFileName;
        if (n != "." && n != "..")
            out[n] = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "<dir>" : bench::read_file(dir.file(n));
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return out;
}

// A folder holding each name with its own name as its bytes, and the list of
// those names (in the given order) with their marks.
struct fixture_list {
    bench::scratch_dir dir;
    std::vector<std::string> text;
    std::vector<char*> names;
    std::vector<unsigned char> marks;
    explicit fixture_list(const std::vector<std::string>& listed, const std::string& marked = "") : text(listed)
    {
        for (std::string& n : text) {
            dir.write(n, n);
            names.push_back(&n[0]);
        }
        marks.assign(text.size(), 0);
        for (size_t i = 0; i < marked.size() && i < marks.size(); i++) marks[i] = marked[i] == '1';
        browser_list.tree_flag = 0;
        bench::install_message_box_seam(IDYES);
    }
    int count() const { return static_cast<int>(names.size()); }
};
}  // namespace

TEST(Numbering, PrefixesParsed)
{
    struct {
        const char* name;
        int length, value;
    } cases[] = {
        {"12)a.jpg", 3, 12}, {"1a)b.jpg", 0, 0}, {"\x82\x50)a.jpg", 0, 0},  // a double-byte digit
        {")x.jpg", 0, 0},    {"12)", 3, 12},     {"123456789012)x", 13, 999999999}, {"表.jpg", 0, 0},
    };
    for (auto& c : cases) {
        EXPECT_EQ(number_prefix_length(c.name), c.length) << c.name;
        EXPECT_EQ(number_prefix_value(c.name), c.value) << c.name;
        EXPECT_STREQ(name_without_prefix(c.name), c.name + c.length);
    }
    char a[] = "1)x.jpg", b[] = "2)x.jpg", c[] = "3)", d[] = "4)y.jpg";
    char* clash[] = {a, b};
    char* only_prefix[] = {c, d};
    char* fine[] = {a, d};
    EXPECT_EQ(prefix_strip_clashes(clash, 2), 1);
    EXPECT_EQ(prefix_strip_clashes(only_prefix, 2), 1);
    EXPECT_EQ(prefix_strip_clashes(fine, 2), 0);
}

TEST(Numbering, PlanSharesNumbersWithComments)
{
    fixture_list f({"表.txt", "表.jpg", "b.jpg", "ソ.txt"}, "0100");
    in_folder here(f.dir.path());
    rename_plan plan;
    rename_plan_alloc(&plan, f.names.data(), f.count(), 1);
    EXPECT_EQ(plan.number, (std::vector<int>{1, 1, 2, 3}));  // "ソ.txt" has no image
    EXPECT_EQ(plan.partner, (std::vector<int>{1, 0, 2, 3}));
    rename_plan_mark_partners(&plan, f.marks.data());
    EXPECT_EQ(f.marks, (std::vector<unsigned char>{1, 1, 0, 0}));
    EXPECT_EQ(rename_plan_digits(&plan), 1);
}

TEST(Numbering, BatchRenameByPattern)
{
    struct rename_case {
        std::vector<std::string> listed;
        std::string marked, pattern, first;
        int change_prefix;
        std::vector<std::string> after;  // every file afterwards (bytes: the old name)
        const char* box;                 // the refusal shown, or null
    };
    const char* bad = "不正なﾌｧｲﾙが生じるので処理を中止します．";
    const char* same = "同じ名前のﾌｧｲﾙが生じるので処理を中止します．";
    std::vector<std::string> three = {"表.jpg", "表.txt", "b.r.jpg", "c.jpg"};
    std::vector<rename_case> cases = {
        {three,
         "1011",
         "PIC#",
         "001",
         1,
         {"PIC001.jpg=表.jpg", "PIC001.txt=表.txt", "PIC002.r.jpg=b.r.jpg", "PIC003.jpg=c.jpg"},
         nullptr},
        {{"03)sun.jpg", "04)ソ.jpg"},
         "11",
         "x*_#",
         "7",
         0,
         {"03)xsun_7.jpg=03)sun.jpg", "04)xソ_8.jpg=04)ソ.jpg"},
         nullptr},
        {{"03)sun.jpg"}, "1", "*", "1", 1, {"03)sun.jpg=03)sun.jpg"}, nullptr},
        {{"PIC2.jpg", "a.jpg", "b.jpg"},
         "011",
         "PIC#",
         "1",
         1,
         {"PIC2.jpg=PIC2.jpg", "a.jpg=a.jpg", "b.jpg=b.jpg"},
         same},
        {{"a.jpg", "b.jpg"}, "11", "same", "1", 1, {"a.jpg=a.jpg", "b.jpg=b.jpg"}, same},
        {{"a.jpg", "b.jpg"}, "11", "b", "1", 1, {"a.jpg=a.jpg", "b.jpg=b.jpg"}, same},
    };
    for (const char* hostile : {"..\\x#", "sub/x#", "..", "c:x#", "a|#", "q\"#", "t\x01#", "", "*?"})
        cases.push_back({{"a.jpg", "b.jpg"}, "11", hostile, "1", 1, {"a.jpg=a.jpg", "b.jpg=b.jpg"}, bad});
    for (const rename_case& c : cases) {
        fixture_list f(c.listed, c.marked);
        in_folder here(f.dir.path());
        int renamed = rename_selected(c.pattern.c_str(), c.first.c_str(), c.change_prefix, f.names.data(), f.count(),
                                      f.marks.data());
        std::vector<std::string> after;
        for (auto& kv : files_of(f.dir)) after.push_back(kv.first + "=" + kv.second);
        EXPECT_EQ(after, c.after) << c.pattern;
        if (c.box) {
            EXPECT_EQ(renamed, 0) << c.pattern;
            ASSERT_EQ(bench::message_boxes.size(), 1u) << c.pattern;
            EXPECT_EQ(bench::message_boxes[0].text, c.box) << c.pattern;
        } else {
            EXPECT_TRUE(bench::message_boxes.empty()) << c.pattern;
        }
    }
}

TEST(Numbering, BatchRenameDigitsAndStrayTemporaryName)
{
    std::vector<std::string> twelve;
    for (int i = 0; i < 12; i++) twelve.push_back(std::string(1, char('a' + i)) + ".jpg");
    fixture_list f(twelve, "100000000001");
    in_folder here(f.dir.path());
    f.dir.write("$@!#01.jpg", "stray");  // a leftover named like a's temporary name
    EXPECT_EQ(rename_selected("P#", "1", 1, f.names.data(), f.count(), f.marks.data()), 2);
    folder_files got = files_of(f.dir);
    EXPECT_EQ(got["P01.jpg"], "a.jpg");
    EXPECT_EQ(got["P12.jpg"], "l.jpg");
    EXPECT_EQ(got["$@!#01.jpg"], "stray");
    EXPECT_EQ(got.size(), 13u);
    EXPECT_STREQ(renamed_first_name, "P01.jpg");
}

// A file another program holds open cannot leave its name: the rename stops,
// every file already parked under a temporary name goes back, and the user
// is told which file it was. Nothing is left under "$@!#".
TEST(Numbering, AFileHeldOpenStopsTheRenameAndIsReported)
{
    struct held_case {
        std::vector<std::string> listed;
        int held;  // index of the file held open
        int mode;  // -1 batch rename "表#" from 2, else strip_number_prefix's mode
        const char* title;
    };
    const held_case cases[] = {
        {{"表1.jpg", "表2.jpg"}, 1, -1, "選択ﾌｧｲﾙの名前変更"},
        {{"表1.jpg", "表2.jpg"}, 0, -1, "選択ﾌｧｲﾙの名前変更"},
        {{"1)ソ.jpg", "1)ソ.txt", "3)能.jpg"}, 2, 2, "番号部分付加について"},
    };
    for (const held_case& c : cases) {
        SCOPED_TRACE(c.listed[c.held]);
        fixture_list f(c.listed, std::string(c.listed.size(), '1'));
        in_folder here(f.dir.path());
        folder_files before = files_of(f.dir);
        HANDLE held = CreateFileA(f.dir.file(c.listed[c.held]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        int done = c.mode < 0 ? rename_selected("表#", "2", 1, f.names.data(), f.count(), f.marks.data())
                              : strip_number_prefix(f.names.data(), f.count(), c.mode);
        CloseHandle(held);
        EXPECT_EQ(done, 0);
        EXPECT_EQ(files_of(f.dir), before);
        ASSERT_EQ(bench::message_boxes.size(), 1u);
        EXPECT_EQ(bench::message_boxes[0].title, c.title);
        EXPECT_EQ(bench::message_boxes[0].text,
                  "次のﾌｧｲﾙの名前を変更できないので処理を中止しました．\n\n" + c.listed[c.held]);
    }
}

TEST(Numbering, AddStripAndRenumber)
{
    struct prefix_case {
        std::vector<std::string> listed;
        int mode;  // 0 strip, 1 add, 2 renumber, 3: add with the marks moved to entry 1
        std::string marked;
        std::vector<std::string> after;
    };
    std::vector<prefix_case> cases = {
        {{"1)a.jpg", "1)a.txt", "3)b.jpg", "c.jpg"},
         2,
         "",
         {"1)a.jpg=1)a.jpg", "1)a.txt=1)a.txt", "2)b.jpg=3)b.jpg", "3)c.jpg=c.jpg"}},
        {{"1)x.jpg", "2)x.jpg", "3)表.jpg"}, 0, "", {"x.jpg=1)x.jpg", "x0.jpg=2)x.jpg", "表.jpg=3)表.jpg"}},
        {{"a.jpg", "b.jpg", "c.jpg", "c.txt"},
         1,
         "",
         {"1)a.jpg=a.jpg", "2)b.jpg=b.jpg", "3)c.jpg=c.jpg", "3)c.txt=c.txt"}},
        {{"a.jpg", "b.jpg", "c.jpg", "c.txt"},
         3,
         "0010",
         {"1)a.jpg=a.jpg", "2)c.jpg=c.jpg", "2)c.txt=c.txt", "3)b.jpg=b.jpg"}},
    };
    for (const prefix_case& c : cases) {
        fixture_list f(c.listed, c.marked);
        in_folder here(f.dir.path());
        int done = c.mode == 3 ? add_number_prefix(1, f.names.data(), f.count(), f.marks.data(), 0)
                               : strip_number_prefix(f.names.data(), f.count(), c.mode);
        EXPECT_EQ(done, 1) << c.mode;
        std::vector<std::string> after;
        for (auto& kv : files_of(f.dir)) after.push_back(kv.first + "=" + kv.second);
        EXPECT_EQ(after, c.after) << c.mode;
        EXPECT_EQ(bench::message_boxes.size(), c.mode == 2 ? 0u : 1u) << c.mode;
    }
    // A "no" to the question touches nothing.
    fixture_list f({"a.jpg"});
    in_folder here(f.dir.path());
    bench::install_message_box_seam(IDNO);
    EXPECT_EQ(strip_number_prefix(f.names.data(), f.count(), 1), 0);
    EXPECT_EQ(files_of(f.dir).count("a.jpg"), 1u);
}

TEST(Numbering, BatchRenameDialog)
{
    struct {
        bool ok;
        std::vector<std::string> after;
    } cases[] = {
        {true, {"PIC001.jpg=a.jpg", "PIC002.jpg=b.jpg"}},
        {false, {"a.jpg=a.jpg", "b.jpg=b.jpg"}},
    };
    for (auto& c : cases) {
        fixture_list f({"a.jpg", "b.jpg"}, "11");
        in_folder here(f.dir.path());
        std::string first_shown;
        dialog_player::arm([&](HWND d) {
            first_shown = dialog_player::text_of(d, IDC_FIELD1);
            dialog_player::type(d, IDC_FIELD0, "PIC#");
            dialog_player::type(d, IDC_FIELD1, "001");
            dialog_player::click(d, c.ok ? IDOK : IDCANCEL);
        });
        EXPECT_EQ(batch_rename_dialog(nullptr, f.names.data(), f.count(), f.marks.data()), c.ok ? 2 : 0);
        std::vector<std::string> after;
        for (auto& kv : files_of(f.dir)) after.push_back(kv.first + "=" + kv.second);
        EXPECT_EQ(after, c.after);
        if (c.ok) { EXPECT_EQ(first_shown, "1"); }
    }
}
