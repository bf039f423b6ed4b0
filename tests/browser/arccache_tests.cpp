// The extracted-member cache: the 728-byte record file read byte by byte,
// the representative member extracted (also from a subfolder), damaged and
// foreign records deleted, and a moved archive extracted from where it is now.
#include "browser/model/arccache.h"
#include "tests/browser/archive_fixtures.h"
#include <gtest/gtest.h>

using namespace archive_folder_test;

namespace {

uint32_t word_at(const std::string& b, size_t at)
{
    uint32_t v;
    memcpy(&v, b.data() + at, 4);
    return v;
}
float float_at(const std::string& b, size_t at)
{
    float v;
    memcpy(&v, b.data() + at, 4);
    return v;
}

// A fresh record for the archive: none left from an earlier run.
std::string record_for(const std::string& archive)
{
    arccache_forget(archive.c_str());
    archive_info_block block;
    if (!arc_summary_build(archive.c_str(), &block)) return "";
    arc_member_record r;
    char path[PATH_BUF];
    return arccache_lookup(archive.c_str(), &r, path) ? std::string(path) : "";
}

}  // namespace

TEST(MemberCache, RecordFileHoldsTheSummaryByteByByte)
{
    prepare();
    browser_list.settings.all = 0;
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "images.zip");
    std::string path = record_for(archive);
    ASSERT_FALSE(path.empty());
    std::string b = bench::read_file(path);
    ASSERT_EQ(b.size(), 728u);
    WIN32_FILE_ATTRIBUTE_DATA d;
    ASSERT_TRUE(GetFileAttributesExA(archive.c_str(), GetFileExInfoStandard, &d));
    double size;
    memcpy(&size, b.data() + 8, 8);
    EXPECT_EQ(word_at(b, 0), 3u);  // type
    EXPECT_EQ(word_at(b, 4), 0u);  // no snapshot yet
    EXPECT_EQ(size, double(d.nFileSizeLow));
    EXPECT_EQ(word_at(b, 16), d.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(word_at(b, 20), d.ftLastWriteTime.dwHighDateTime);
    EXPECT_EQ(word_at(b, 24), 3u);  // pictures, the subfolder's too
    EXPECT_EQ(float_at(b, 28), 466.0f);
    EXPECT_EQ(word_at(b, 36), 0u);  // the text is not shown
    EXPECT_EQ(float_at(b, 48), float(d.nFileSizeLow));
    EXPECT_EQ(word_at(b, 64), 1u);  // representative is a picture
    EXPECT_EQ(float_at(b, 68), float(d.nFileSizeLow / 466.0));
    EXPECT_EQ(std::string(b.data() + 80), archive);
    EXPECT_EQ(std::string(b.data() + 340), "p1.bmp");

    char member[PATH_BUF];
    ASSERT_EQ(arccache_member_path(archive.c_str(), member), 1);
    EXPECT_EQ(bench::read_file(member), bench::read_file(fixture("pics\\p1.bmp")));
    EXPECT_EQ(word_at(bench::read_file(path), 4), 1u);  // snapshot written
}

TEST(MemberCache, EmptyOrFoldersOnlyArchiveHasRatioOne)
{
    prepare();
    browser_list.settings.all = 1;
    for (const char* name : {"zero.zip", "folders.zip"}) {
        SCOPED_TRACE(name);
        bench::scratch_dir dir;
        std::string b = bench::read_file(record_for(copy_fixture(dir, name)));
        ASSERT_EQ(b.size(), 728u);
        EXPECT_EQ(word_at(b, 24) + word_at(b, 36), 0u);
        EXPECT_EQ(float_at(b, 68), 1.0f);
        EXPECT_EQ(b[340], 0);
    }
    browser_list.settings.all = 0;
}

TEST(MemberCache, RepresentativeInASubfolderIsExtracted)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "deep.zip");
    record_for(archive);
    char member[PATH_BUF];
    ASSERT_EQ(arccache_member_path(archive.c_str(), member), 1);
    EXPECT_EQ(bench::read_file(member), bench::read_file(fixture("deep\\sub\\p3.bmp")));
    EXPECT_TRUE(in_instance_folder(member));
}

TEST(MemberCache, MovedArchiveIsReadWhereItIsNow)
{
    prepare();
    bench::scratch_dir dir;
    CreateDirectoryA(dir.file("old").c_str(), nullptr);
    CreateDirectoryA(dir.file("new").c_str(), nullptr);
    std::string from = dir.file("old\\images.lzh"), to = dir.file("new\\images.lzh");
    ASSERT_TRUE(CopyFileA(fixture("images.lzh").c_str(), from.c_str(), FALSE));
    std::string record = record_for(from);
    ASSERT_FALSE(record.empty());
    ASSERT_TRUE(MoveFileA(from.c_str(), to.c_str()));
    archive_info_block block;
    ASSERT_EQ(arc_summary_build(to.c_str(), &block), 1);
    EXPECT_EQ(std::string(block.path), to);
    // Its view copy goes, so the member must come out of the moved archive.
    char member[PATH_BUF];
    ASSERT_EQ(arccache_path_for_entry(member, 1, &block, nullptr), 1);
    DeleteFileA(member);
    ASSERT_EQ(arccache_member_path(to.c_str(), member), 1);
    EXPECT_EQ(bench::read_file(member), bench::read_file(fixture("pics\\p1.bmp")));
}

TEST(MemberCache, ForeignAndShortRecordsAreDeleted)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "deep.zip");
    std::string record = record_for(archive);
    ASSERT_FALSE(record.empty());
    std::string bytes = bench::read_file(record);
    std::string foreign = bytes;
    foreign[0] = 7;
    struct damage {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"foreign type", foreign},
        {"cut short", bytes.substr(0, 700)},
    };
    for (const damage& c : cases) {
        SCOPED_TRACE(c.what);
        bench::write_file(record, c.bytes);
        arc_member_record r;
        char path[PATH_BUF];
        EXPECT_EQ(arccache_lookup(archive.c_str(), &r, path), 0);
        EXPECT_FALSE(archiver_test::exists(record));
    }
}

TEST(MemberCache, MembersTooLongForAPathAreSkipped)
{
    prepare();
    bench::scratch_dir dir;
    std::string b = bench::read_file(record_for(copy_fixture(dir, "longname.zip")));
    ASSERT_EQ(b.size(), 728u);
    EXPECT_EQ(word_at(b, 24), 1u);
    EXPECT_EQ(std::string(b.data() + 340), "short.bmp");
}

TEST(MemberCache, TextFieldsOfARecordAreTerminatedWhenRead)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "deep.zip");
    std::string record = record_for(archive);
    std::string bytes = bench::read_file(record);
    ASSERT_EQ(bytes.size(), 728u);
    std::fill(bytes.begin() + 80, bytes.end() - 128, 'x');
    bench::write_file(record, bytes);
    arc_member_record r;
    ASSERT_EQ(read_arc_record(record.c_str(), &r), 1);
    EXPECT_EQ(strlen(r.block.path), 259u);
    EXPECT_EQ(strlen(r.block.member), 259u);
}

// A record shared through the temporary folder may be crafted: whatever
// separators and ".." its member name holds, drawing the archive's cell
// (the member's path) writes nothing outside this instance's "view" folder.
TEST(MemberCache, CraftedMemberNamesStayInsideTheViewFolder)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = dir.file("表ソ\\写真能.zip");
    CreateDirectoryA(dir.file("表ソ").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(fixture("images.zip").c_str(), archive.c_str(), FALSE));
    std::string thesis = dir.write("論文表.docx", "precious"), fresh = dir.file("新しい能.docx");
    // From C:\ up: enough ".." to reach the root from any work folder.
    std::string up = "x";
    for (int i = 0; i < 40; i++) up += "/..";
    auto slashed = [&](const std::string& path) {
        std::string s = path.substr(2);  // drops "C:"
        for (char& c : s)
            if (c == '\\') c = '/';
        return up + s;
    };
    const struct {
        const char* what;
        std::string name;
    } members[] = {
        {"slashes up to a file", slashed(thesis)},
        {"slashes up to a new name", slashed(fresh)},
        {"backslashes up to a file", std::string(up).replace(1, 1, "\\") + thesis.substr(2)},
        {"parent", ".."},
        {"folder and parent", "x/.."},
        {"dots only", "..."},
        {"drive", "C:" + thesis.substr(2)},
    };
    std::string record = record_for(archive);
    ASSERT_FALSE(record.empty());
    for (const auto& c : members) {
        SCOPED_TRACE(c.what);
        const std::string& m = c.name;
        ASSERT_LT(m.size(), size_t(PATH_BUF));
        arc_member_record r;
        ASSERT_EQ(read_arc_record(record.c_str(), &r), 1);
        memcpy(r.block.member, m.c_str(), m.size() + 1);
        r.snapshot_valid = 0;
        ASSERT_EQ(write_arc_record(record.c_str(), r), 1);
        char member[PATH_BUF] = "";
        if (arccache_member_path(archive.c_str(), member)) { EXPECT_TRUE(in_instance_folder(member)) << member; }
        // Nor does a destination spelt with the name, as a caller might form it.
        arccache_extract_member(&r.block, (std::string(archive_work.view) + "\\" + m).c_str());
        EXPECT_EQ(bench::read_file(thesis), "precious");
        EXPECT_FALSE(archiver_test::exists(fresh));
    }
}
