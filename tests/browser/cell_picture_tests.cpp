// Cell pictures on real files: rotation marks in names and rotation by
// renaming, BMP cells through the checked reader (V5 headers, crafted
// headers), text previews of every kanji code, layered overlays, a started
// browser page of photos whose second run in a new process takes every
// thumbnail from the disk cache, and the drive cache removed from a drive.
#include "browser/archives/archive_folder.h"
#include "browser/caches/cell_extras.h"
#include "browser/caches/entry_picture.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/model/rotate_rename.h"
#include "browser/model/start.h"
#include "browser/caches/thumb_cache.h"
#include "browser/caches/thumb_layers.h"
#include "formats/formats.h"
#include "app/start_up.h"
#include "base/holders.h"
#include "tests/browser/list_fixtures.h"
#include "tests/formats/damaged_fixtures.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {
void paint(_bmap* b, int x0, int x1, COLORREF c)
{
    for (int y = 0; y < b->height; y++)
        for (int x = x0; x < x1; x++) {
            BYTE* p = b->pixels + y * b->stride + 3 * x;
            p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
        }
}

// A picture whose left half is `left` and right half `right`.
void write_halves(const std::string& path, int w, int h, COLORREF left, COLORREF right)
{
    _bmap* b = bmap_new(w, h);
    paint(b, 0, w / 2, left);
    paint(b, w / 2, w, right);
    if (path.find(".png") != std::string::npos)
        save_png_rgb(path.c_str(), b);
    else if (path.find(".tif") != std::string::npos)
        save_tiff_rgb(path.c_str(), b);
    else
        save_jpeg_file(path.c_str(), b, 90);
    _bmap_delete(b);
}

bool close_to(COLORREF a, COLORREF b, int tolerance = 24)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// A pixel of a slot's picture (an image slot's or a buffer's).
COLORREF slot_pixel(int slot, int x, int y)
{
    page_info p = _page_info(slot);
    if (!p.image) return GetPixel(p.dc, x, y);
    const BYTE* q = p.image->pixels + y * p.image->stride + 3 * x;
    return RGB(q[2], q[1], q[0]);
}

struct painter_bench {
    bench::scratch_dir dir;
    painter_bench()
    {
        kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
        list_fixture::reset_list();
        install_image_format_hooks();
        browser_list.colours[COLOUR_BK] = RGB(255, 255, 255);
    }
    cell_result draw(const std::string& path, double box, int slot = 120)
    {
        file_kind k;
        make_file_kind(path.c_str(), &k, 1, 0);
        cell_result r;
        draw_file_cell(&r, &k, box, box, slot, 1, 0);
        return r;
    }
};

// A bottom-up 32-bit BMP with a V5 header and bit fields, all one colour;
// a header's fields may be spoiled through `spoil`.
std::string bmp_v5(int w, int h, COLORREF c, void (*spoil)(BITMAPFILEHEADER&, BITMAPV5HEADER&) = nullptr)
{
    BITMAPFILEHEADER fh = {};
    BITMAPV5HEADER v = {};
    v.bV5Size = sizeof v;
    v.bV5Width = w;
    v.bV5Height = h;
    v.bV5Planes = 1;
    v.bV5BitCount = 32;
    v.bV5Compression = BI_BITFIELDS;
    v.bV5RedMask = 0x00FF0000, v.bV5GreenMask = 0x0000FF00, v.bV5BlueMask = 0x000000FF;
    v.bV5CSType = LCS_sRGB;
    std::string pixels;
    for (int i = 0; i < w * h; i++)
        pixels += std::string{char(GetBValue(c)), char(GetGValue(c)), char(GetRValue(c)), 0};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof v;
    fh.bfSize = DWORD(fh.bfOffBits + pixels.size());
    if (spoil) spoil(fh, v);
    return std::string(reinterpret_cast<char*>(&fh), sizeof fh) + std::string(reinterpret_cast<char*>(&v), sizeof v) +
           pixels;
}

const char sjis_text[] =
    "\x93\xfa\x96\x7b\x82\xcc\x8e\xca\x90\x5e\r\n\x93\xfa\x96\x7b\x82\xcc\x8e\xca\x90\x5e\r\nABC\tdef\r\n";
const char euc_text[] =
    "\xc6\xfc\xcb\xdc\xa4\xce\xbc\xcc\xbf\xbf\r\n\xc6\xfc\xcb\xdc\xa4\xce\xbc\xcc\xbf\xbf\r\nABC\tdef\r\n";
const char jis_text[] = "\x1b\x24\x42\x46\x7c\x4b\x5c\x24\x4e\x3c\x4c\x3f\x3f\x1b\x28\x42\r\n"
                        "\x1b\x24\x42\x46\x7c\x4b\x5c\x24\x4e\x3c\x4c\x3f\x3f\x1b\x28\x42\r\nABC\tdef\r\n";

std::string slot_pixels(int slot)
{
    page_info p = _page_info(slot);
    std::string all;
    for (int y = 0; y < int(p.height); y++)
        for (int x = 0; x < int(p.width); x++) {
            COLORREF c = GetPixel(p.dc, x, y);
            all.append(reinterpret_cast<char*>(&c), 4);
        }
    return all;
}
}  // namespace

TEST(RotationNames, MarksStrippedInsertedAndTurnedByRename)
{
    struct {
        const char* from;
        int turn;
        const char* to;
    } names[] = {
        {"a.jpg", -1, "a.r.jpg"},    {"a.r.jpg", 1, "a.jpg"},
        {"a.i.jpg", -1, "a.l.jpg"},  {"c:\\表\\b.L.png", 1, "c:\\表\\b.i.png"},
        {"x.y.jpg", 1, "x.y.l.jpg"},
    };
    for (const auto& n : names) {
        char out[PATH_BUF];
        ASSERT_EQ(rotated_name(n.from, n.turn, out, sizeof out), 1) << n.from;
        EXPECT_STREQ(out, n.to) << n.from;
    }
    char p[PATH_BUF] = "d:\\photo.R.jpg";
    EXPECT_EQ(strip_rotation_mark(p), 'r');
    EXPECT_STREQ(p, "d:\\photo.jpg");
    char tight[10] = "abcd.jpg";
    EXPECT_FALSE(insert_rotation_mark(tight, sizeof tight, 'l'));

    painter_bench b;
    std::string image = b.dir.file("a.jpg");
    list_fixture::write_image(image, 8, 8);
    b.dir.write("a.txt", "comment\r\n");
    b.dir.write("note.txt", "x");
    EXPECT_EQ(rotate_by_rename(image.c_str(), -1), 1);
    EXPECT_EQ(GetFileAttributesA(b.dir.file("a.r.jpg").c_str()) != INVALID_FILE_ATTRIBUTES, true);
    EXPECT_EQ(bench::read_file(b.dir.file("a.r.txt")), "comment\r\n");
    EXPECT_EQ(rotate_by_rename(b.dir.file("note.txt").c_str(), 1), 0);  // not an image
}

TEST(CellPicture, RotationMarkAppliesAtEveryScale)
{
    painter_bench b;
    std::string path = b.dir.file("turn.r.png");
    write_halves(path, 128, 96, RGB(255, 0, 0), RGB(0, 0, 255));
    for (double box : {128.0, 64.0}) {  // scales 1.0 and 0.5
        cell_result r = b.draw(path, box);
        ASSERT_EQ(r.error, 0) << box;
        EXPECT_NEAR(r.width, 96 * box / 128, 1) << box;
        EXPECT_NEAR(r.height, 128 * box / 128, 1) << box;
        // Clockwise: the left half comes to the top.
        EXPECT_TRUE(close_to(slot_pixel(120, r.width / 2, 2), RGB(255, 0, 0))) << box;
        EXPECT_TRUE(close_to(slot_pixel(120, r.width / 2, r.height - 3), RGB(0, 0, 255))) << box;
    }
}

TEST(CellPicture, BmpCellsThroughTheCheckedReader)
{
    painter_bench b;
    std::string good = b.dir.write("v5.bmp", bmp_v5(64, 32, RGB(10, 200, 30)));
    cell_result r = b.draw(good, 32);  // scale 0.5
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.width, 32);
    EXPECT_EQ(r.height, 16);
    EXPECT_TRUE(close_to(slot_pixel(120, 16, 8), RGB(10, 200, 30), 4));

    struct {
        const char* name;
        void (*spoil)(BITMAPFILEHEADER&, BITMAPV5HEADER&);
    } crafted[] = {
        {"tall.bmp", [](BITMAPFILEHEADER&, BITMAPV5HEADER& v) { v.bV5Height = 3000; }},
        {"colours.bmp",
         [](BITMAPFILEHEADER&, BITMAPV5HEADER& v) {
             v.bV5BitCount = 8;
             v.bV5ClrUsed = 0x7FFFFFFF;
         }},
        {"offset.bmp", [](BITMAPFILEHEADER& f, BITMAPV5HEADER&) { f.bfOffBits = 0x7FFFFFF0; }},
        {"size.bmp", [](BITMAPFILEHEADER& f, BITMAPV5HEADER&) { f.bfSize = 0x7FFFFFF0; }},
    };
    for (const auto& c : crafted) {
        std::string path = b.dir.write(c.name, bmp_v5(64, 8, RGB(1, 2, 3), c.spoil));
        EXPECT_EQ(b.draw(path, 128).error, 1) << c.name;
        EXPECT_EQ(draw_bmp_file(path.c_str(), 122, 0.5), 0) << c.name;
    }
}

TEST(CellPicture, TextPreviewsOfEveryKanjiCode)
{
    painter_bench b;
    browser_list.settings.txticon = 0;
    browser_list.settings.txtcont = 1;
    browser_list.colours[COLOUR_TXT] = RGB(0, 0, 0);
    struct {
        const char* name;
        std::string bytes;
    } texts[] = {
        {"sjis.txt", sjis_text},
        {"euc.txt", euc_text},
        {"jis.txt", jis_text},
    };
    std::string first;
    for (const auto& t : texts) {
        std::string path = b.dir.write(t.name, t.bytes);
        b.draw(path, 128);
        std::string pixels = slot_pixels(120);
        if (first.empty()) {
            first = pixels;
            EXPECT_NE(pixels.find(std::string(4, '\0')), std::string::npos) << "ink drawn";
        } else {
            EXPECT_EQ(pixels == first, true) << t.name;
        }
    }
    // The converter's files are this instance's and gone afterwards.
    char temp[MAX_PATH], in[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    snprintf(in, sizeof in, "%sin%lu.txt", temp, GetCurrentProcessId());
    EXPECT_EQ(GetFileAttributesA(in), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((std::string(temp) + "in.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    // Lines of 600 tabs and of 2000 bytes stay inside their buffers.
    std::string wild = std::string(600, '\t') + "x\r\n" + std::string(2000, 'w') + "\r\n" + std::string(3000, '\t');
    EXPECT_EQ(b.draw(b.dir.write("wild.txt", wild), 256).error, 0);
    browser_list.settings.txticon = 1;
}

TEST(Layers, OverlayKeepsTheBaseUnderWhite)
{
    _bmap* base = bmap_new(3, 3);
    _bmap* top = bmap_new(2, 4);
    paint(base, 0, 3, RGB(0, 0, 0));
    paint(top, 0, 2, RGB(255, 255, 255));
    paint(top, 1, 2, RGB(200, 10, 10));
    overlay_copy(base, top);
    struct {
        int x, y;
        COLORREF c;
    } expect[] = {
        {0, 0, RGB(0, 0, 0)},
        {1, 0, RGB(200, 10, 10)},
        {1, 2, RGB(200, 10, 10)},
        {2, 1, RGB(0, 0, 0)},
    };
    for (const auto& e : expect) {
        const BYTE* p = base->pixels + e.y * base->stride + 3 * e.x;
        EXPECT_EQ(RGB(p[2], p[1], p[0]), e.c) << e.x << "," << e.y;
    }
    _bmap_delete(top);
    _bmap_delete(base);
}

// ---- A started page of photos, and its second run in a new process ----
namespace {
int decodes;
load_jpeg_hook real_jpeg;
load_path_hook real_png, real_tiff;
_bmap* count_jpeg(const char* p, int d, int f)
{
    decodes++;
    return real_jpeg(p, d, f);
}
_bmap* count_png(const char* p)
{
    decodes++;
    return real_png(p);
}
_bmap* count_tiff(const char* p)
{
    decodes++;
    return real_tiff(p);
}

struct photo {
    const char* name;
    COLORREF colour;
};
const photo photos[] = {
    {"a.jpg", RGB(220, 30, 30)},
    {"b.png", RGB(30, 200, 40)},
    {"c.tif", RGB(40, 40, 210)},
};

// Page 1 showing the folder with the caches of a fresh start; the number of
// image decodes, and whether every cell shows its photo.
int show_photo_page(const std::string& folder, const std::string& cache_root, std::string* failure)
{
    kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    list_fixture::reset_list();
    install_image_format_hooks();
    browser_list.settings.textpic = 1;
    real_jpeg = image_format_hooks.load_jpeg, real_png = image_format_hooks.load_png,
    real_tiff = image_format_hooks.load_tiff;
    image_format_hooks.load_jpeg = count_jpeg, image_format_hooks.load_png = count_png,
    image_format_hooks.load_tiff = count_tiff;
    start_thumbnail_cache();
    set_cache_path(&thumb_cache.dir, cache_root.c_str());
    _newpage(1, 0, 0, -900, -600);
    decodes = 0;
    if (!change_folder(folder.c_str())) return *failure = "folder", -1;
    load_folder(nullptr, 0, 0, nullptr, 0);
    const browser_list_record& l = browser_list;
    HWND frame = GetParent(_page_hwnd(1));
    ShowWindow(frame, SW_SHOWNORMAL);
    SetForegroundWindow(frame);
    UpdateWindow(_page_hwnd(1));
    bench::pump_for(200);
    window_dc dc(_page_hwnd(1));
    for (int i = 0; i < 3; i++) {
        int x = int((i % l.columns) * l.cell_width + l.left_margin + l.cell_width / 2);
        int y = int((i / l.columns) * l.cell_height + l.top_margin + l.cell_height / 2);
        COLORREF c = GetPixel(dc, x, y);
        if (!close_to(c, photos[i].colour)) {
            char why[128];
            snprintf(why, sizeof why, "%s not shown (%06lx at %d,%d, slot %d); ", photos[i].name, c, x, y,
                     thumb_image_index(i, &thumb_cache));
            *failure += why;
        }
    }
    if (thumb_image_index(3, &thumb_cache) != SLOT_TEXT) *failure += "text file not in slot 51; ";
    int n = decodes;
    browser_list_set_entries(nullptr, 0);
    _page_free(1);
    return n;
}
}  // namespace

ZOTE_CHILD(photo_page_second_run)
{
    char folder[MAX_PATH], cache[MAX_PATH];
    GetEnvironmentVariableA("ZOTE_PHOTO_FOLDER", folder, sizeof folder);
    GetEnvironmentVariableA("ZOTE_PHOTO_CACHE", cache, sizeof cache);
    std::string failure;
    int n = show_photo_page(folder, cache, &failure);
    printf("decodes=%d %s\n", n, failure.c_str());
    return failure.empty() ? n : 100;
}

TEST(PhotoPage, ThumbnailsShownThenTakenFromTheDiskCache)
{
    bench::scratch_dir dir;
    CreateDirectoryA(dir.file("photos").c_str(), nullptr);
    CreateDirectoryA(dir.file("cache").c_str(), nullptr);
    for (const photo& p : photos)
        write_halves(dir.file(std::string("photos\\") + p.name), 800, 600, p.colour, p.colour);
    dir.write("photos\\note.txt", "memo\r\n");
    std::string failure;
    EXPECT_EQ(show_photo_page(dir.file("photos"), dir.file("cache"), &failure), 3);
    EXPECT_EQ(failure, "");
    SetEnvironmentVariableA("ZOTE_PHOTO_FOLDER", dir.file("photos").c_str());
    SetEnvironmentVariableA("ZOTE_PHOTO_CACHE", dir.file("cache").c_str());
    bench::child_result r = bench::run_child("photo_page_second_run", 60000);
    EXPECT_EQ(r.exit_code, 0u) << r.output;  // no decode: every picture came from a cache file
}

TEST(DriveCache, RemovedFromAnotherDriveKeepingForeignFiles)
{
    painter_bench b;
    thumb_cache_dir d;
    cache_init(&d);
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA("h:\\"));
    struct {
        bool foreign;
        bool zote_left;
    } cases[] = {{true, true}, {false, false}};
    for (const auto& c : cases) {
        CreateDirectoryA("h:\\zote", nullptr);
        CreateDirectoryA("h:\\zote\\cache", nullptr);
        bench::write_file("h:\\zote\\cache\\$.a.jpg.0", "x");
        if (c.foreign) bench::write_file("h:\\zote\\zote.exe", "program");
        EXPECT_EQ(drive_cache_delete(&d), 1);
        EXPECT_EQ(GetFileAttributesA("h:\\zote\\cache"), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetFileAttributesA("h:\\zote") != INVALID_FILE_ATTRIBUTES, c.zote_left);
        if (c.foreign) EXPECT_EQ(bench::read_file("h:\\zote\\zote.exe"), "program");
        DeleteFileA("h:\\zote\\zote.exe");
        RemoveDirectoryA("h:\\zote");
    }
    SetCurrentDirectoryA(saved);
}

// A subfolder's cell shows the picture of its first listed file: the painter
// loads the entry's whole name, not the folder the list shows for it.
TEST(CellPicture, AFolderShowsItsFirstPicture)
{
    painter_bench b;
    CreateDirectoryA(b.dir.file("表示").c_str(), nullptr);
    write_halves(b.dir.file("表示\\a.jpg"), 128, 96, RGB(255, 0, 0), RGB(255, 0, 0));
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(b.dir.path()));
    browser_list.tree_flag = 1, browser_list.tree_depth = 0;  // a listing with folder names
    file_kind k;
    make_file_kind("表示\\a.jpg", &k, 0, 0);
    ASSERT_EQ(k.plain, 0);  // a folder node
    cell_result r;
    draw_file_cell(&r, &k, 128, 128, 120, 1, 0);
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(r.error, 0);
    EXPECT_TRUE(close_to(slot_pixel(120, r.width / 2, r.height / 2), RGB(255, 0, 0)));
}

// A picture whose header claims more than its file can hold, or that its
// own reader cannot size, says so in its cell ("header error", never cached)
// instead of loading hundreds of megabytes of missing data; its sound twin
// still shows. A PDF with no server to read it is not damaged: it keeps the
// file's icon.
TEST(CellPicture, ADamagedSizeIsAHeaderError)
{
    painter_bench b;
    scoped_restore<const char*> keep_class{pdf_document_class};
    struct row {
        const char* name;
        std::string bytes;
        const char* pdf_server;
        bool damaged;
    };
    const row rows[] = {
        {"damaged.png", damaged::png(), "AcroExch.PDDoc", true},
        {"damaged.gif", damaged::gif(), "AcroExch.PDDoc", true},
        {"表.pdf", "GIF89a and more", "AcroExch.PDDoc", true},
        {"ソ.pdf", "GIF89a and more", "ZoteTest.NoSuchServer", false},
    };
    for (const row& r : rows) {
        pdf_document_class = r.pdf_server;
        std::string path = b.dir.write(r.name, r.bytes);
        file_kind k;
        make_file_kind(path.c_str(), &k, 1, 0);
        EXPECT_EQ(k.probed, r.damaged ? 0 : 1) << r.name;
        cell_result c = b.draw(path, 128);
        EXPECT_EQ(c.error, r.damaged ? 1 : 0) << r.name;
        // The red text of the placeholder, or the icon at its own size.
        page_info p = _page_info(120);
        bool red = false;
        for (int x = 0; x < 64 && x < int(p.width) && !red; x++)
            for (int y = 20; y < 36 && y < int(p.height) && !red; y++) red = slot_pixel(120, x, y) == RGB(255, 0, 0);
        EXPECT_EQ(red, r.damaged) << r.name;
        if (!r.damaged) { EXPECT_EQ(c.width, GetSystemMetrics(SM_CXICON)) << r.name; }
    }
    write_halves(b.dir.file("sound.png"), 64, 32, RGB(0, 0, 255), RGB(0, 0, 255));
    EXPECT_EQ(b.draw(b.dir.file("sound.png"), 128).error, 0);
}
