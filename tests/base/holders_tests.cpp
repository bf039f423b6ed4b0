// Scoped holders: a held resource is given back once, at the end of its
// holder's scope, and not at all once released or moved away.
#include "base/holders.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>

static bool brush_alive(HBRUSH b) { return GetObjectType(b) == OBJ_BRUSH; }

TEST(Holders, GiveBackOnceAndOnlyWhileHeld)
{
    HBRUSH kept = nullptr, moved = nullptr, dropped = nullptr;
    {
        brush_holder a(CreateSolidBrush(RGB(1, 2, 3)));
        dropped = a.get();
        ASSERT_TRUE(brush_alive(dropped));
        brush_holder b(CreateSolidBrush(RGB(4, 5, 6)));
        kept = b.release();
        EXPECT_FALSE(b);
        brush_holder c(CreateSolidBrush(RGB(7, 8, 9)));
        moved = c.get();
        brush_holder d(std::move(c));
        EXPECT_FALSE(c);
        EXPECT_EQ(d.get(), moved);
        a.reset();
        EXPECT_FALSE(brush_alive(dropped));
        EXPECT_TRUE(brush_alive(moved));
    }
    EXPECT_FALSE(brush_alive(moved));
    EXPECT_TRUE(brush_alive(kept));
    DeleteObject(kept);
}

TEST(Holders, FailureValuesAreNotGivenBack)
{
    find_handle none(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(none);
    WIN32_FIND_DATAA fd;
    find_handle found(FindFirstFileA("C:\\windows\\*", &fd));
    EXPECT_TRUE(found);
    c_file absent(fopen("C:\\no such folder\\none.txt", "rb"));
    EXPECT_FALSE(absent);
}

// The current folder comes back at the end of the scope when it could be
// read; one too long for the buffer says so and is never "put back" as
// whatever the buffer held.
TEST(Holders, CurrentFolderComesBackOnlyWhenItWasRead)
{
    bench::scratch_dir dir;
    std::string plain = dir.file("表ソ能"), deep = bench::deep_cp932_folder(dir.path(), MAX_PATH + 10);
    CreateDirectoryA(plain.c_str(), nullptr);
    struct {
        std::string start;
        bool kept;
    } cases[] = {{plain, true}, {deep, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        ASSERT_TRUE(SetCurrentDirectoryA(c.start.c_str()));
        {
            current_folder_kept keep;
            EXPECT_EQ(bool(keep), c.kept);
            ASSERT_TRUE(SetCurrentDirectoryA(dir.path()));
        }
        char now[MAX_PATH];
        GetCurrentDirectoryA(sizeof now, now);
        EXPECT_EQ(now, c.kept ? c.start : std::string(dir.path()));
    }
    SetCurrentDirectoryA("C:\\");
}
