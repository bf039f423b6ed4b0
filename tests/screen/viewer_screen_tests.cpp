// The viewer as a user meets it: a picture opened from the list, in the
// window or full screen, its status line and the zoom steps of the left
// strip, and the list drawn again on the way back.
#include "tests/screen/screen_bench.h"
#include "formats/formats.h"
#include "tests/support/photos.h"
#include "graphics/kavtrel.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {
using screen::ends_with;

// Ten pictures; the second is 300 x 200, shown in the window at full size.
struct album : screen::picture_folder {
    album() : picture_folder("旅行ソ", 10)
    {
        screen::write_picture(file(screen::picture_name(1)), 300, 200, screen::picture_colour(1));
    }
};

// The program on the album with its second picture opened in the window.
struct second_picture_shown {
    album a;
    screen::zote_session z{a.path};
    screen::shot s;
    second_picture_shown()
    {
        z.move_to(z.page_grid().centre(1));
        z.key(VK_RETURN);
        s = z.capture();
    }
};

// The picture box of the window viewer for a client area: the largest
// square below the toolbar line with room for the status line.
RECT viewer_box(const screen::shot& s)
{
    int t = 20, a = s.width - 2, b = s.height - t - 32, side = a < b ? a : b;
    RECT r;
    r.left = (s.width - side) / 2;
    r.top = (s.height - t - side - 2) / 2 + t + 2;
    r.right = r.left + side;
    r.bottom = r.top + side;
    return r;
}
}  // namespace

TEST(Viewer, LeavingDrawsTheListAgain)
{
    album a;
    screen::zote_session z(a.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    struct {
        WORD open;
        const char* label;
    } ways[] = {{VK_RETURN, "back-from-window"}, {'F', "back-from-full-screen"}};
    for (const auto& w : ways) {
        z.move_to(g.centre(2));
        z.key(w.open);
        EXPECT_TRUE(ends_with(z.title(), " 3/10枚 - ZOTE1.67")) << z.title();
        z.key(VK_ESCAPE);
        EXPECT_TRUE(ends_with(z.title(), "/旅行ソ/ 10画像 1/1頁 - ZOTE1.67")) << w.label << ": " << z.title();
        EXPECT_EQ(screen::check_page(z.capture(), g, screen::picture_cells(0, 10), w.label), "") << w.label;
    }
}

// Ctrl+click marks the shown picture, Escape goes back to the list: the
// status line's first part goes from the viewer's "左上でｸﾘｯｸ,Esc=一覧" (14
// characters, 19 bytes) to the name of the entry under the pointer, of 14 bytes.
TEST(Viewer, MarkingThePictureThenLeaving)
{
    screen::picture_folder a{"印表", 0};
    for (int i = 0; i < 12; i++) {
        char name[32];
        snprintf(name, sizeof name, "%02d表ソ能写.jpg", i);
        ASSERT_EQ(strlen(name), 14u);
        screen::write_picture(a.file(name), 64, 48, screen::picture_colour(i));
    }
    screen::zote_session z(a.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    ASSERT_GE(g.columns, 4);
    z.move_to(g.centre(0));
    z.key(VK_RETURN);
    // On the name line of the last cell of the first row: right of the
    // viewer's top left quarter.
    RECT name = g.name_line(g.columns - 1);
    POINT on_name = {(name.left + name.right) / 2, (name.top + name.bottom) / 2};
    z.move_to(on_name);
    z.chord_click(on_name, VK_CONTROL);
    z.key(VK_ESCAPE);
    ASSERT_TRUE(z.alive()) << z.fault();
    EXPECT_TRUE(ends_with(z.title(), "/印表/ 12.1画像 1/1頁 - ZOTE1.67")) << "one marked: " << z.title();
    screen::shot s = z.capture();
    EXPECT_TRUE(screen::framed(s, g, 0)) << "the picture marked";
    if (HasFailure()) s.save(bench::exe_folder() + "screen-marked.bmp");
}

namespace {
// A photo-sized JPEG of one colour with noise in it (each channel within 8
// of the colour), which takes as long to decode as a photo.
void write_noisy_picture(const std::string& path, COLORREF colour)
{
    _bmap* b = bmap_new(4000, 3000);
    unsigned seed = colour;
    for (int y = 0; y < b->height; y++) {
        BYTE* p = b->pixels + size_t(y) * b->stride;
        for (int x = 0; x < b->width; x++, p += 3) {
            seed = seed * 1103515245u + 12345u;
            int n = int(seed >> 16) % 17 - 8;
            p[0] = BYTE(GetBValue(colour) + n), p[1] = BYTE(GetGValue(colour) + n), p[2] = BYTE(GetRValue(colour) + n);
        }
    }
    save_jpeg_file(path.c_str(), b, 90);
    _bmap_delete(b);
}

// Whether most of the viewer's picture box shows the colour of picture i.
bool shows(const screen::shot& s, int i)
{
    RECT box = viewer_box(s);
    return s.count(box, screen::picture_colour(i), 24) > (box.right - box.left) * (box.bottom - box.top) / 2;
}
}  // namespace

// A key pressed while the viewer prepares the picture after the one shown is
// answered with the picture it asks for, whether that is the one being
// prepared or another, and the picture prepared after it is the right one.
TEST(Viewer, AKeyDuringThePreparationIsAnswered)
{
    screen::picture_folder a{"準備表", 0};
    for (int i = 0; i < 4; i++) write_noisy_picture(a.file(screen::picture_name(i)), screen::picture_colour(i));
    screen::zote_session z(a.path);
    ASSERT_TRUE(z.running());
    z.move_to(z.page_grid().centre(0));
    z.key(VK_RETURN);
    struct {
        WORD first, during;
        int first_shown, answered, next;
    } rows[] = {{VK_NEXT, VK_NEXT, 1, 2, 3}, {VK_PRIOR, VK_PRIOR, 2, 1, 2}};
    for (const auto& r : rows) {
        z.press(r.first);
        // Once its picture is on the screen, the one after it is being prepared.
        for (DWORD start = GetTickCount(); !shows(z.capture(), r.first_shown) && GetTickCount() - start < 30000;) {}
        z.press(r.during);
        ASSERT_TRUE(z.settle());
        screen::shot s = z.capture();
        EXPECT_TRUE(shows(s, r.answered)) << r.answered;
        EXPECT_TRUE(ends_with(z.title(), " " + std::to_string(r.answered + 1) + "/4枚 - ZOTE1.67")) << z.title();
        z.key(VK_NEXT);
        EXPECT_TRUE(shows(z.capture(), r.next)) << r.next;
        if (HasFailure()) s.save(bench::exe_folder() + "screen-key-during-preparation.bmp");
    }
}

TEST(Viewer, StatusLineShowsAboveThePicture)
{
    second_picture_shown v;
    const screen::shot& s = v.s;
    RECT box = viewer_box(s);
    // The line of name, size, zoom and date, on the list's background.
    RECT line = {box.left, box.top - 14, box.left + 300, box.top - 1};
    int area = (line.right - line.left) * (line.bottom - line.top);
    EXPECT_GT(s.count(line, screen::background()), area / 2);
    EXPECT_GT(s.count_other(line, screen::background()), 40);
    if (HasFailure()) s.save(bench::exe_folder() + "screen-status-line.bmp");
}

TEST(Viewer, StripMarksTheZoomStep)
{
    second_picture_shown v;
    const screen::shot& s = v.s;
    // The steps /1, /2, /4 and /8 one under the other in the left strip; the
    // picture is shown at full size, so /1 is the current one, in white.
    for (int step = 0; step < 4; step++) {
        RECT row = {0, 20 + 127 + 20 * step, 20, 20 + 147 + 20 * step};
        int white = s.count(row, RGB(255, 255, 255), 4);
        EXPECT_EQ(white > 4, step == 0) << "/" << (1 << step) << ": " << white;
    }
    if (HasFailure()) s.save(bench::exe_folder() + "screen-zoom-steps.bmp");
}

namespace {
// A picture of one colour with a centred rectangle of another (0: none), as PNG.
void write_png(const std::string& path, COLORREF colour, COLORREF centre)
{
    _bmap* b = bmap_new(300, 200);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 300; x++) {
            bool inside = centre && x >= 100 && x < 200 && y >= 60 && y < 140;
            COLORREF c = inside ? centre : colour;
            BYTE* p = b->pixels + size_t(y) * b->stride + 3 * x;
            p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
        }
    save_png_rgb(path.c_str(), b);
    _bmap_delete(b);
}
}  // namespace

// A ".layer" folder is one picture in the viewer: its images laid one over
// the other, white being transparent.
TEST(Viewer, LayerFolderShowsItsLayersComposed)
{
    bench::scratch_dir dir;
    std::string album = dir.file("重ね表"), layers = album + "\\01ソ.layer";
    screen::write_pictures(album, 0, 1);
    CreateDirectoryA(layers.c_str(), nullptr);
    const COLORREF base = screen::picture_colour(3), top = screen::picture_colour(5);
    write_png(layers + "\\1表.png", base, 0);
    write_png(layers + "\\2能.png", RGB(255, 255, 255), top);
    screen::zote_session z(album);
    ASSERT_TRUE(z.running());
    screen::shot s = z.capture();
    screen::grid g = screen::grid::of(s);
    // The plain picture is opened, then the next entry is the layer folder.
    int picture = s.count(g.cell(0), screen::picture_colour(0)) > 0 ? 0 : 1;
    z.move_to(g.centre(picture));
    z.key(VK_RETURN);
    z.key(VK_SPACE);
    s = z.capture();
    RECT box = viewer_box(s);
    EXPECT_GT(s.count(box, base), 300 * 200 / 2);
    EXPECT_GT(s.count(box, top), 100 * 80 / 2);
    if (HasFailure()) s.save(bench::exe_folder() + "screen-layers.bmp");
}

// The scroll view: a large picture whose red grows along x and green along y
// (each wrapping every 256 pixels), opened from the window viewer.
namespace {
void write_gradient(const std::string& path, int width, int height)
{
    _bmap* b = bmap_new(width, height);
    for (int y = 0; y < height; y++) {
        BYTE* row = b->pixels + size_t(y) * b->stride;
        for (int x = 0; x < width; x++) {
            row[3 * x] = 64;
            row[3 * x + 1] = BYTE(y % 256);
            row[3 * x + 2] = BYTE(x % 256);
        }
    }
    save_jpeg_file(path.c_str(), b, 95);
    _bmap_delete(b);
}

struct large_picture_shown {
    screen::picture_folder a{"大判表", 0};
    screen::zote_session z{(write_gradient(a.file("大判ソ.jpg"), 2400, 1800), a.path)};
    large_picture_shown()
    {
        z.move_to(z.page_grid().centre(0));
        z.key(VK_RETURN);
    }
};

BOOL CALLBACK find_view(HWND w, LPARAM p)
{
    char cls[16] = "";
    GetClassNameA(w, cls, sizeof cls);
    // The part in view has no border; the overview square has one.
    if (strcmp(cls, "nftw") == 0 && IsWindowVisible(w) && !(GetWindowLongA(w, GWL_STYLE) & WS_BORDER)) {
        *reinterpret_cast<HWND*>(p) = w;
        return FALSE;
    }
    return TRUE;
}

// The colour of the scroll view's pixel (8, 8), or CLR_INVALID without a view.
COLORREF view_corner(const screen::zote_session& z)
{
    HWND view = nullptr;
    EnumChildWindows(z.page(), find_view, reinterpret_cast<LPARAM>(&view));
    if (!view) return CLR_INVALID;
    POINT p = {8, 8};
    MapWindowPoints(view, z.page(), &p, 1);
    return z.capture().at(p.x, p.y);
}

int white_in_zoom_row(const screen::shot& s, int step)
{
    RECT row = {0, 20 + 127 + 20 * step, 20, 20 + 147 + 20 * step};
    return s.count(row, RGB(255, 255, 255), 4);
}
}  // namespace

// A click on a zoom step of the left strip opens the scroll view at that
// step, and the strip marks it.
TEST(Viewer, StripZoomStepsOpenTheScrollView)
{
    large_picture_shown v;
    ASSERT_TRUE(v.z.running());
    EXPECT_EQ(view_corner(v.z), CLR_INVALID) << "a scroll view before the click";
    v.z.click({10, 20 + 127 + 20 + 10});  // "/2"
    EXPECT_NE(view_corner(v.z), CLR_INVALID) << "no scroll view after the click on /2";
    screen::shot s = v.z.capture();
    for (int step = 0; step < 4; step++) EXPECT_EQ(white_in_zoom_row(s, step) > 4, step == 1) << "/" << (1 << step);
    if (HasFailure()) s.save(bench::exe_folder() + "screen-zoom-click.bmp");
}

// The cursor keys scroll the picture at actual size: Right moves the part in
// view right (red grows), Down moves it down (green grows).
TEST(Viewer, CursorKeysScrollTheActualSizeView)
{
    large_picture_shown v;
    ASSERT_TRUE(v.z.running());
    v.z.key('1');
    COLORREF start = view_corner(v.z);
    ASSERT_NE(start, CLR_INVALID) << "no scroll view after 1";
    EXPECT_LT(GetRValue(start), 24);
    EXPECT_LT(GetGValue(start), 24);
    v.z.tap(VK_RIGHT);
    COLORREF right = view_corner(v.z);
    EXPECT_GT(int(GetRValue(right)) - GetRValue(start), 20) << std::hex << start << " " << right;
    EXPECT_LT(abs(int(GetGValue(right)) - GetGValue(start)), 8);
    v.z.tap(VK_DOWN);
    COLORREF down = view_corner(v.z);
    EXPECT_GT(int(GetGValue(down)) - GetGValue(right), 20) << std::hex << right << " " << down;
    EXPECT_LT(abs(int(GetRValue(down)) - GetRValue(right)), 8);
    if (HasFailure()) v.z.capture().save(bench::exe_folder() + "screen-scroll-keys.bmp");
}

// Photos larger than the window are decoded reduced (1/2, 1/4) and then
// fitted: the window shows them at the size, turn and look of the photo
// decoded at full size and fitted.
namespace {
struct photo_case {
    const char* name;
    int width, height;
};
const photo_case photos[] = {
    {"01表.jpg", 1800, 1350},    // about 1/2 of the box's scale: decoded at 1/2
    {"02ソ.r.jpg", 1800, 1350},  // turned by its mark: the fit takes its height as its width
    {"03能.jpg", 3200, 800},     // a panorama: decoded at 1/4
    {"04表.jpg", 600, 450},      // inside the box: shown at full size
};

// The photo as the viewer showed it before the reduced decode: loaded at
// full size, fitted into the square side, then turned by its mark.
_bmap* fitted_at_full_size(const std::string& path, int turn, int side)
{
    _bmap* b = load_jpeg_file(path.c_str(), 1, 0);
    if (!b) return nullptr;
    double w = b->width, h = b->height;
    if (turn % 2) std::swap(w, h);
    double r = 1;
    if (w > side) r = side / w;
    if (side < r * h) r = side / h;
    if (r != 1) {
        _bmap* s = _bmap_scale(r, 0.14, b);
        _bmap_delete(b);
        b = s;
    }
    if (b && turn) {
        _bmap* t = _bmap_rotate(b, turn * 90);
        _bmap_delete(b);
        b = t;
    }
    return b;
}

// The rectangle of the box's pixels that are not the background.
RECT shown_picture(const screen::shot& s, RECT box)
{
    RECT r = {box.right, box.bottom, box.left, box.top};
    for (int y = box.top; y < box.bottom; y++)
        for (int x = box.left; x < box.right; x++)
            if (!screen::near_colour(s.at(x, y), screen::background(), 0)) {
                r.left = std::min<LONG>(r.left, x), r.right = std::max<LONG>(r.right, x + 1);
                r.top = std::min<LONG>(r.top, y), r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    return r;
}

// The mean difference per channel between the shot at r and the picture.
double mean_difference(const screen::shot& s, RECT r, const _bmap* b)
{
    double sum = 0;
    int n = 0;
    for (int y = 0; y < b->height && r.top + y < r.bottom; y++)
        for (int x = 0; x < b->width && r.left + x < r.right; x++) {
            COLORREF c = s.at(r.left + x, r.top + y);
            const BYTE* p = b->pixels + size_t(y) * b->stride + 3 * x;
            sum += abs(GetBValue(c) - p[0]) + abs(GetGValue(c) - p[1]) + abs(GetRValue(c) - p[2]);
            n += 3;
        }
    return n ? sum / n : 255;
}
}  // namespace

TEST(Viewer, LargePhotosShowAsFittedAtFullSize)
{
    screen::picture_folder a{"写真表", 0};
    for (int i = 0; i < 4; i++)
        ASSERT_TRUE(write_camera_photo(a.file(photos[i].name), photos[i].width, photos[i].height, i));
    screen::zote_session z(a.path);
    ASSERT_TRUE(z.running());
    z.move_to(z.page_grid().centre(0));
    z.key(VK_RETURN);
    for (int i = 0; i < 4; i++) {
        if (i) z.key(VK_SPACE);
        screen::shot s = z.capture();
        RECT box = viewer_box(s);
        int side = box.right - box.left - 10;
        int turn = strstr(photos[i].name, ".r.") ? -1 : 0;
        _bmap* want = fitted_at_full_size(a.file(photos[i].name), turn, side);
        ASSERT_NE(want, nullptr);
        RECT shown = shown_picture(s, box);
        EXPECT_NEAR(shown.right - shown.left, want->width, 1) << photos[i].name;
        EXPECT_NEAR(shown.bottom - shown.top, want->height, 1) << photos[i].name;
        EXPECT_LT(mean_difference(s, shown, want), 4.0) << photos[i].name;
        _bmap_delete(want);
        if (HasFailure()) s.save(bench::exe_folder() + "screen-photo-" + std::to_string(i) + ".bmp");
    }
}
