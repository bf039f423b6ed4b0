// Captions of pictures printed from the browser's list: the number prefix of
// a folder in number order goes unless the print settings keep it, and a
// comment caption without the name still tells the subfolder of an expanded
// tree.
#include "app/start_up.h"
#include "tests/print/print_fixtures.h"
#include "print/print.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/browser_list.h"
#include "browser/grid/list_view.h"
#include "browser/commands/commands.h"
#include "browser/model/numbering.h"
#include "browser/model/paths.h"
#include <gtest/gtest.h>

using namespace print_fixture;

namespace {

struct caption_case {
    const char* what;
    int tree_depth, caption_name, caption_comment, keep_number_prefix;
};

// In a child process: page 1 lists the current folder at the depth, its
// pictures are printed, and the texts of the page are written out on one line.
void print_first_captions(const caption_case& c)
{
    browser_list.tree_depth = c.tree_depth;
    load_folder(nullptr, 0, 0, nullptr, 0);
    // The pictures are printed; their comment files are not chosen.
    std::vector<unsigned char> marks(browser_list.count, 0);
    int chosen = 0;
    for (int i = 0; i < browser_list.count; i++) {
        std::string name = browser_list.names[i];
        marks[i] = name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0;
        chosen += marks[i];
    }
    print_settings_init();
    print_settings.job = {browser_list.count, marks.data(), chosen, browser_list.names};
    print_settings_record& r = print_settings.record;
    r.turn_to_fit = 0, r.columns = 2, r.rows = 2;
    r.caption_name = c.caption_name, r.caption_comment = c.caption_comment;
    r.keep_number_prefix = c.keep_number_prefix;
    layout_cells();
    printf("%s:", c.what);
    for (const emf_record& t : text_records(records_of(render_print_pages(0)))) printf("[%s]", text_of(t).c_str());
    printf("\n");
}

ZOTE_CHILD(captions_from_the_list)
{
    if (!printer_ready() || !select_printer(nullptr)) return 10;
    bench::scratch_dir dir;
    CreateDirectoryA(dir.file("番号表").c_str(), nullptr);
    for (const char* name : {"番号表\\1)旅表.bmp", "番号表\\2)山ソ.bmp"}) write_bmp(dir.file(name), 40, 30);
    dir.write("木ソ\\写真表\\海能.txt", "夏の海\r\n");
    write_bmp(dir.file("木ソ\\写真表\\海能.bmp"), 40, 30);
    kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    browser_list_init();
    install_image_format_hooks();
    _newpage(1, 0, 0, -900, -600);
    if (!change_folder(dir.file("木ソ").c_str())) return 11;
    print_first_captions({"tree, comment without name", -1, 0, 1, 0});
    print_first_captions({"tree, comment with name", -1, 1, 1, 0});
    if (!change_folder(dir.file("番号表").c_str())) return 12;
    print_first_captions({"numbered", 0, 1, 0, 0});
    print_first_captions({"numbered, prefix kept", 0, 1, 0, 1});
    use_printer_dc(nullptr);
    return 0;
}

// The texts a case printed: its line of the output, without the label.
std::string texts_of(const std::string& output, const std::string& label)
{
    std::string lines = "\n" + output;
    size_t at = lines.find("\n" + label + ":");
    if (at == std::string::npos) return "(none)";
    at += label.size() + 2;
    size_t end = lines.find_first_of("\r\n", at);
    return lines.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

TEST(Captions, NumberPrefixAndFolderPartFromTheList)
{
    bench::child_result r = bench::run_child("captions_from_the_list");
    ASSERT_EQ(r.exit_code, 0u) << r.output;
    struct {
        const char* label;
        const char* texts;
    } table[] = {
        {"tree, comment without name", "[写真表/][夏の海]"},
        {"tree, comment with name", "[写真表/海能 ][夏の海]"},
        {"numbered", "[旅表][山ソ]"},
        {"numbered, prefix kept", "[1)旅表][2)山ソ]"},
    };
    for (const auto& t : table) EXPECT_EQ(texts_of(r.output, t.label), t.texts) << t.label;
}

}  // namespace
