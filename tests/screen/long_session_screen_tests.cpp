// A long session leaves nothing behind: the viewer stepped over photos and
// pictures whose header cannot be read, the grid paged, over files of kinds
// not met before too, the screen-saver show run over unreadable pictures. After a warm-up and again at the end the
// program is asked for its census (live GDI objects by type, resident
// memory, the guarded heap's live bytes; zote_guarded.exe answers it), and
// nothing may have grown beyond a small bound: whatever a step, a page or a
// slide kept would add up over hours (a Windows process stops drawing at
// 10,000 GDI handles).
#include "tests/screen/screen_bench.h"
#include "tests/support/census.h"
#include "browser/model/command_ids.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>

namespace {

// What the bounds allow: a few objects of a type that come and go (a cursor,
// a caret) and what the resident memory wanders by (Wine's own caches, the
// guarded heap's tables paged in as its blocks move on).
enum { GDI_SLACK = 3 };
constexpr double RESIDENT_SLACK_MB = 8, HEAP_SLACK_MB = 2;

bench::census census_of(const screen::zote_session& z)
{
    bench::census c;
    EXPECT_TRUE(bench::ask_census(z.process_id(), &c)) << "the program gave no census";
    return c;
}

// Empty when nothing grew beyond the bounds from `before` to `after`, else what did.
std::string growth(const bench::census& before, const bench::census& after, int steps, const char* what)
{
    std::string grown;
    char line[160];
    printf("%d %s: resident %.1f -> %.1f MB, heap %.1f -> %.1f MB, GDI objects %ld -> %ld\n", steps, what,
           before.resident_mb, after.resident_mb, before.heap_mb, after.heap_mb, before.gdi_total, after.gdi_total);
    for (int t = 1; t < bench::census::TYPES; t++)
        if (after.gdi[t] > before.gdi[t] + GDI_SLACK) {
            snprintf(line, sizeof line, "%s: %ld -> %ld\n", bench::census::type_name(t), before.gdi[t], after.gdi[t]);
            grown += line;
        }
    if (after.resident_mb > before.resident_mb + RESIDENT_SLACK_MB) {
        snprintf(line, sizeof line, "resident memory: %.1f -> %.1f MB\n", before.resident_mb, after.resident_mb);
        grown += line;
    }
    if (after.heap_mb > before.heap_mb + HEAP_SLACK_MB) {
        snprintf(line, sizeof line, "heap: %.1f -> %.1f MB\n", before.heap_mb, after.heap_mb);
        grown += line;
    }
    return grown.empty() ? grown : std::to_string(steps) + " " + what + " kept:\n" + grown;
}

// Twenty photos of 640 x 480 and ten pictures named .png whose bytes are no
// picture ("header error" in their cells and in the viewer).
struct album_with_unreadable {
    bench::scratch_dir dir;
    std::string path = dir.file("長旅表");
    album_with_unreadable()
    {
        screen::write_pictures(path, 0, 20, 640, 480);
        for (int i = 0; i < 10; i++) {
            char name[32];
            snprintf(name, sizeof name, "%02d壊れ表ソ.png", i);
            bench::write_file(path + "\\" + name, bench::noise(200, i + 1));
        }
    }
};

// The program's title names the entry shown: a show has moved on when it changed.
bool title_changes(const screen::zote_session& z, std::string& title)
{
    DWORD start = GetTickCount();
    while (z.title() == title) {
        if (GetTickCount() - start > 30000 || !z.alive()) return false;
        Sleep(5);
    }
    title = z.title();
    return true;
}

// The screen-saver show (R) for a number of slides, ended by Escape.
void random_show(screen::zote_session& z, int slides)
{
    std::string title = z.title();
    z.input({screen::key_event('R', true), screen::key_event('R', false)}, 0);
    for (int i = 0; i < slides; i++) ASSERT_TRUE(title_changes(z, title)) << "slide " << i << " never came";
    z.key(VK_ESCAPE);
}

}  // namespace

TEST(LongSession, ViewerStepsLeaveNothingBehind)
{
    album_with_unreadable a;
    screen::zote_session z(a.path, "/z");
    ASSERT_TRUE(z.running());
    for (int i = 0; i < 30; i++) z.key(VK_SPACE);
    bench::census warm = census_of(z);
    for (int i = 0; i < 300; i++) z.key(VK_SPACE);
    EXPECT_EQ(growth(warm, census_of(z), 300, "viewer steps"), "");
}

TEST(LongSession, GridPagesLeaveNothingBehind)
{
    screen::picture_folder a("頁送り表", 150);
    screen::zote_session z(a.path);
    ASSERT_TRUE(z.running());
    // Pages 1 to 3 and back, again and again.
    auto page = [&](int i) { z.key(i % 4 < 2 ? VK_NEXT : VK_PRIOR); };
    for (int i = 0; i < 8; i++) page(i);
    bench::census warm = census_of(z);
    for (int i = 0; i < 200; i++) page(i);
    EXPECT_EQ(growth(warm, census_of(z), 200, "pages"), "");
}

// Each file of its own kind, whose icon the shell is asked for once: what
// the program keeps of a kind met must be no GDI object, or a session keeps
// some for every kind it meets.
TEST(LongSession, GridPagesOfFilesOfNewKindsLeaveNothingBehind)
{
    bench::scratch_dir dir;
    std::string path = dir.file("種類表");
    CreateDirectoryA(path.c_str(), nullptr);
    for (int i = 0; i < 90; i++) {
        char name[32];
        snprintf(name, sizeof name, "%02d表ソ.k%02d", i, i);
        bench::write_file(path + "\\" + name, "能");
    }
    screen::zote_session z(path);
    ASSERT_TRUE(z.running());
    bench::census warm = census_of(z);
    std::string title;
    for (int i = 0; i < 20 && z.title() != title; i++) {
        title = z.title();
        z.key(VK_NEXT);
    }
    EXPECT_EQ(growth(warm, census_of(z), 90, "files of new kinds"), "");
}

TEST(LongSession, ScreenSaverShowOverUnreadablePicturesLeavesNothingBehind)
{
    album_with_unreadable a;
    screen::zote_session z(a.path);
    ASSERT_TRUE(z.running());
    // A tenth of a second between slides.
    PostMessageA(z.frame(), WM_COMMAND, CM_INTERVAL_FIRST + 1, 0);
    ASSERT_TRUE(z.settle());
    // Every show starts at the first entry and ends at the last one, so that
    // the same picture is prepared and shown at both counts. The second show
    // is the first to replace a show's page (its memory settles there).
    random_show(z, 30);
    random_show(z, 30);
    bench::census warm = census_of(z);
    random_show(z, 90);
    EXPECT_EQ(growth(warm, census_of(z), 90, "slides"), "");
}
