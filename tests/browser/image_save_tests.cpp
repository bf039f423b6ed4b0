// Saving in another format, scanning to a file and counting colours, on real
// files written and read back by the format libraries. The original must
// survive every failure byte for byte.
#include "browser/operations/image_save.h"
#include "browser/model/start.h"
#include "files/files.h"
#include "formats/formats.h"
#include "app/start_up.h"
#include "resources/small_dialogs.h"
#include "tests/browser/dialog_player.h"
#include "tests/formats/damaged_fixtures.h"
#include "tests/formats/pixel_fixtures.h"
#include "tests/graphics/metafile_seeds.h"
#include "tests/support/bench.h"
#include "graphics/kavtrel.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {
// 24 x 16 images: kind 0 has 384 colours, 1 four colours, 2 two greys, 3 a
// ramp of 24 greys.
_bmap* make_image(int kind)
{
    _bmap* b = bmap_new(24, 16);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 24; x++) {
            switch (kind) {
            case 0: put(b, x, y, x * 10, y * 15, 100); break;
            case 1: put(b, x, y, x < 12 ? 255 : 0, y < 8 ? 255 : 0, 0); break;
            case 2: put(b, x, y, (x + y) % 2 ? 255 : 0, (x + y) % 2 ? 255 : 0, (x + y) % 2 ? 255 : 0); break;
            default: put(b, x, y, x * 10, x * 10, x * 10);
            }
        }
    return b;
}

std::string make_png(const bench::scratch_dir& dir, const char* name, int kind)
{
    _bmap* b = make_image(kind);
    std::string path = dir.file(name);
    save_png_rgb(path.c_str(), b);
    _bmap_delete(b);
    return path;
}

std::string make_jpeg(const bench::scratch_dir& dir, const char* name)
{
    _bmap* b = make_image(0);
    std::string path = dir.file(name);
    save_jpeg_file(path.c_str(), b, 90);
    _bmap_delete(b);
    return path;
}

FILETIME old_time(const std::string& path)
{
    SYSTEMTIME st = {2010, 5, 0, 4, 3, 2, 1, 0};
    set_file_local_systime(path.c_str(), &st);
    return file_write_time(path.c_str());
}

bool same_time(FILETIME a, FILETIME b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}
bool exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

int files_in(const bench::scratch_dir& dir)
{
    int n = 0;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(dir.file("*").c_str(), &d);
    do {
        n += d.cFileName[0] != '.';
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return n;
}

// Each saved file goes to saved_out beside the test program with the
// expected picture as a PNG, for ImageMagick to read both back (a later
// ctest step, tools/check_saved_images.sh).
void keep_for_readback(const std::string& target, _bmap* original, int rotation, int n)
{
    static const int angles[] = {0, -90, -180, 90};
    std::string folder = bench::exe_folder() + "saved_out";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string stem = folder + "\\case" + std::to_string(n);
    CopyFileA(target.c_str(), (stem + strrchr(target.c_str(), '.')).c_str(), FALSE);
    _bmap* expected = rotation ? _bmap_rotate(original, angles[rotation]) : original;
    save_png_rgb((stem + ".ref.png").c_str(), expected);
    if (expected != original) _bmap_delete(expected);
}

struct save_fixture : ::testing::Test {
    bench::scratch_dir dir;
    void SetUp() override
    {
        install_image_format_hooks();
        bench::install_message_box_seam(IDYES);
    }
};
}  // namespace

TEST_F(save_fixture, EveryFormatAndOption)
{
    struct {
        int kind, format, rotation, keep, del;
        const char* target;
    } cases[] = {
        {0, SAVE_BMP, 0, 1, 0, "s.bmp"},  {0, SAVE_JPEG, 0, 1, 1, "s.jpg"}, {0, SAVE_PNG, 1, 0, 0, "s.png"},
        {0, SAVE_TIFF, 2, 1, 1, "s.tif"}, {1, SAVE_PNG, 3, 1, 0, "s.png"},  {1, SAVE_TIFF, 0, 1, 0, "s.tif"},
        {2, SAVE_TIFF, 1, 0, 1, "s.tif"}, {3, SAVE_TIFF, 0, 1, 0, "s.tif"}, {3, SAVE_BMP, 3, 0, 1, "s.bmp"},
    };
    int n = 0;
    for (auto& c : cases) {
        bench::scratch_dir here;
        _bmap* original = make_image(c.kind);
        std::string source = here.file("s.png");
        save_png_rgb(source.c_str(), original);
        FILETIME before = old_time(source);
        save_choice choice = {c.format, 0, c.del, c.keep, 200, 150, c.rotation};
        std::string label = std::to_string(c.kind) + c.target + std::to_string(c.rotation);
        ASSERT_EQ(save_image_with_choice(source.c_str(), &choice), 1) << label;
        std::string target = here.file(c.target);
        _bmap* back = load_image_exactly(target.c_str());
        ASSERT_NE(back, nullptr) << label;
        bool turned = c.rotation % 2 == 1;
        EXPECT_EQ(back->width, turned ? 16 : 24) << label;
        // Lossless formats give the pixels back: the top-left corner comes
        // from the corner the turn brings there.
        if (c.format != SAVE_JPEG) {
            int sx[] = {0, 0, 23, 23}, sy[] = {0, 15, 15, 0};
            EXPECT_EQ(at(back, 0, 0), at(original, sx[c.rotation], sy[c.rotation])) << label;
            EXPECT_EQ(_bmap_count_colors(back), _bmap_count_colors(original)) << label;
        }
        int w, h, xdpi = 0, ydpi = 0;
        if (c.format == SAVE_TIFF) probe_tiff_file(target.c_str(), &w, &h, &xdpi, &ydpi);
        if (c.format == SAVE_PNG) probe_png_file(target.c_str(), &w, &h, &xdpi, &ydpi);
        if (c.format == SAVE_TIFF || c.format == SAVE_PNG) {
            EXPECT_NEAR(xdpi, 200, 1) << label;
            EXPECT_NEAR(ydpi, 150, 1) << label;
        }
        EXPECT_EQ(same_time(file_write_time(target.c_str()), before), c.keep == 1) << label;
        keep_for_readback(target, original, c.rotation, n++);
        bool same_file = std::string(c.target) == "s.png";
        EXPECT_EQ(exists(source), !c.del || same_file) << label;
        EXPECT_EQ(files_in(here), c.del || same_file ? 1 : 2) << label;  // no temporary file left
        _bmap_delete(back);
        _bmap_delete(original);
    }
}

TEST_F(save_fixture, JpegTurnedIntoItselfWithoutLoss)
{
    std::string source = make_jpeg(dir, "a.JPG");
    FILETIME before = old_time(source);
    save_choice choice = {SAVE_JPEG, 0, 0, 0, 72, 72, 1};
    ASSERT_EQ(save_image_with_choice(source.c_str(), &choice), 1);
    int w = 0, h = 0, x, y;
    probe_jpeg_file(source.c_str(), &w, &h, &x, &y);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 24);
    EXPECT_TRUE(same_time(file_write_time(source.c_str()), before));
    EXPECT_EQ(files_in(dir), 1);
}

TEST_F(save_fixture, FailuresKeepTheOriginal)
{
    // Damaged JPEGs: one cut short saved as PNG with deletion on, one whose
    // header claims 2000 x 2000 turned into itself. Nothing is written or deleted.
    std::string whole = bench::read_file(make_jpeg(dir, "cut.jpg"));
    struct {
        const char* name;
        std::string bytes;
        save_choice choice;
        const char* target;
    } damaged_cases[] = {
        {"cut.jpg", whole.substr(0, whole.size() / 2), {SAVE_PNG, 0, 1, 1, 72, 72, 0}, "cut.png"},
        {"claims.jpg", damaged::jpeg_claiming(whole, 2000, 2000), {SAVE_JPEG, 0, 0, 1, 72, 72, 1}, "claims.jpg"},
    };
    for (auto& c : damaged_cases) {
        std::string jpeg = dir.write(c.name, c.bytes);
        EXPECT_EQ(save_image_with_choice(jpeg.c_str(), &c.choice), 0) << c.name;
        EXPECT_TRUE(bench::read_file(jpeg) == c.bytes) << c.name;
        EXPECT_EQ(exists(dir.file(c.target)), c.target == std::string(c.name)) << c.name;
    }

    // Targets that cannot be replaced (read-only, or held open without
    // sharing): another file confirmed for overwriting, the source itself
    // re-encoded, and the source turned without loss.
    std::string png = make_png(dir, "p.png", 0);
    std::string other = make_jpeg(dir, "p.jpg");
    std::string good = make_jpeg(dir, "g.jpg");
    struct {
        std::string source, locked;
        save_choice choice;
    } cases[] = {
        {png, other, {SAVE_JPEG, 50, 1, 1, 72, 72, 0}},
        {png, png, {SAVE_PNG, 0, 0, 1, 72, 72, 2}},
        {good, good, {SAVE_JPEG, 0, 0, 1, 72, 72, 0}},
        {good, good, {SAVE_JPEG, 0, 0, 1, 72, 72, 3}},
    };
    for (int held = 0; held < 2; held++)
        for (auto& c : cases) {
            std::string source_bytes = bench::read_file(c.source), locked_bytes = bench::read_file(c.locked);
            HANDLE h = INVALID_HANDLE_VALUE;
            if (held)
                h = CreateFileA(c.locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            else
                SetFileAttributesA(c.locked.c_str(), FILE_ATTRIBUTE_READONLY);
            EXPECT_EQ(save_image_with_choice(c.source.c_str(), &c.choice), 0) << c.locked << held;
            if (held)
                CloseHandle(h);
            else
                SetFileAttributesA(c.locked.c_str(), FILE_ATTRIBUTE_NORMAL);
            EXPECT_TRUE(bench::read_file(c.locked) == locked_bytes) << c.locked << held;
            EXPECT_TRUE(bench::read_file(c.source) == source_bytes) << c.locked << held;
        }
    EXPECT_EQ(files_in(dir), 5);  // cut.jpg, claims.jpg, p.png, p.jpg, g.jpg: no temporary file left

    // A refused overwrite touches nothing.
    bench::install_message_box_seam(IDNO);
    std::string other_bytes = bench::read_file(other);
    EXPECT_EQ(save_image_with_choice(png.c_str(), &cases[0].choice), 0);
    EXPECT_EQ(bench::read_file(other), other_bytes);
    EXPECT_TRUE(exists(png));
}

// A metafile larger than the screen is loaded for saving (and for counting
// its colours) at its own size.
TEST_F(save_fixture, AMetafileIsSavedAtItsOwnSize)
{
    std::string wmf = dir.write("w.wmf", seeds::placeable(seeds::record_wmf(seeds::draw_sample), 96, 2000, 1000));
    save_choice to_bmp = {SAVE_BMP, 0, 0, 1, 96, 96, 0};
    ASSERT_EQ(save_image_with_choice(wmf.c_str(), &to_bmp), 1);
    int w = 0, h = 0, x, y;
    EXPECT_EQ(_image_info(dir.file("w.bmp").c_str(), &w, &h, &x, &y), 1);
    EXPECT_EQ(w, 2000);
    EXPECT_EQ(h, 1000);
}

// A drawing whose header asks for 20000 x 20000 pixels saved as BMP: what
// the save returned and said, the size saved and the memory held beyond the
// picture, in megabytes.
ZOTE_CHILD(huge_drawing_save)
{
    install_image_format_hooks();
    bench::install_message_box_seam(IDYES);
    bench::scratch_dir dir;
    std::string wmf = dir.write("表.wmf", seeds::placeable(seeds::record_wmf(seeds::draw_sample), 96, 20000, 20000));
    save_choice to_bmp = {SAVE_BMP, 0, 0, 1, 96, 96, 0};
    size_t before = bench::peak_memory();
    int written = save_image_with_choice(wmf.c_str(), &to_bmp);
    size_t held = bench::peak_memory() - before;
    int w = 0, h = 0, x, y;
    _image_info(dir.file("表.bmp").c_str(), &w, &h, &x, &y);
    printf("\nsaved %d size %dx%d beyond %lld\n", written, w, h,
           ((long long)held - (long long)(3 * w + 3) / 4 * 4 * h) / (1024 * 1024));
    for (bench::message_box_record& box : bench::message_boxes) {
        std::replace(box.text.begin(), box.text.end(), '\n', '|');
        printf("box %s\n", box.text.c_str());
    }
    return 0;
}

// Drawn whole no larger than a picture may be, proportions kept, with the
// size named; the save holds the picture and a band of its rows.
TEST(ImageSave, AHugeDrawingIsSavedSmallerAndSaysSo)
{
    bench::child_result r = bench::run_child("huge_drawing_save", 120000);
    ASSERT_FALSE(r.timed_out);
    int written = 0, w = 0, h = 0;
    long long beyond = -1;
    const char* line = strstr(r.output.c_str(), "\nsaved ");
    ASSERT_NE(line, nullptr) << r.output;
    ASSERT_EQ(sscanf(line, "\nsaved %d size %dx%d beyond %lld", &written, &w, &h, &beyond), 4) << r.output;
    EXPECT_EQ(written, 1);
    EXPECT_EQ(w, h);
    EXPECT_GT(w, 8000);
    EXPECT_LE(3.0 * w * h, 256.0 * 1024 * 1024);
    std::string box =
        "box 表.bmp は大きすぎるので|" + std::to_string(w) + "×" + std::to_string(h) + " ﾋﾟｸｾﾙに縮小して保存しました．";
    EXPECT_NE(r.output.find(box), std::string::npos) << r.output;
    EXPECT_LT(beyond, 32) << "MB held beyond the picture";
}

TEST_F(save_fixture, ColourCounts)
{
    struct {
        int kind;
        int count;
        const char* text;
    } cases[] = {
        {0, 384, "c.png には\n384 色使われています．"},
        {1, 4, "c.png には\n4 色使われています．"},
        {2, -2, "c.png は\n2 階調グレースケールです．"},
        {3, -24, "c.png は\n24 階調グレースケールです．"},
    };
    for (auto& c : cases) {
        std::string path = make_png(dir, "c.png", c.kind);
        bench::message_boxes.clear();
        EXPECT_EQ(count_image_colours(path.c_str()), c.count);
        ASSERT_EQ(bench::message_boxes.size(), 1u);
        EXPECT_EQ(bench::message_boxes[0].text, c.text);
        EXPECT_EQ(bench::message_boxes[0].title, "ZOTE");
    }
    bench::write_file(dir.file("bad.png"), "not an image");
    bench::message_boxes.clear();
    EXPECT_EQ(count_image_colours(dir.file("bad.png").c_str()), 0);  // never the icon's colours
    EXPECT_TRUE(bench::message_boxes.empty());
}

TEST_F(save_fixture, ResolutionGuess)
{
    struct {
        int x, w, h, expect;
    } cases[] = {
        {0, 2160, 1300, 600}, {1, 1300, 2160, 600}, {0, 2161, 1300, 300},
        {0, 2106, 1278, 600}, {0, 640, 480, 300},   {96, 2160, 1300, 96},
    };
    for (auto& c : cases) {
        int x = c.x, y = c.x;
        default_resolution(&x, &y, c.w, c.h);
        EXPECT_EQ(x, c.expect);
        EXPECT_EQ(y, c.expect);
    }
}

namespace {
int scan_kind = 0;
_bmap* scanner(HWND) { return scan_kind < 0 ? nullptr : make_image(scan_kind); }
}  // namespace

TEST_F(save_fixture, ScansGetUniqueNamesInEveryFormat)
{
    SYSTEMTIME t = {2011, 9, 0, 25, 14, 37, 45, 0};
    char name[8];
    scan_name_of_time(&t, name);
    EXPECT_STREQ(name, "B9PE37M");
    t.wYear = 2047;  // the year code repeats every 36 years
    scan_name_of_time(&t, name);
    EXPECT_STREQ(name, "B9PE37M");

    scoped_restore keep(scan_hooks);
    scan_hooks.acquire = scanner;
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(dir.path());
    struct {
        int kind;
        const char* ext;
        int (*probe)(const char*, int*, int*, int*, int*);
    } cases[] = {
        {0, ".jpg", probe_jpeg_file},
        {1, ".png", probe_png_file},
        {2, ".tif", probe_tiff_file},
        {3, ".png", probe_png_file},
    };
    for (auto& c : cases) {
        scan_kind = c.kind;
        char first[MAX_PATH], second[MAX_PATH];
        ASSERT_EQ(scan_to_file(first), 1);
        ASSERT_EQ(scan_to_file(second), 1);  // well within two seconds of the first
        EXPECT_NE(std::string(first), std::string(second));
        for (const char* p : {first, second}) {
            EXPECT_EQ(p[0], '_');
            EXPECT_STREQ(strrchr(p, '.'), c.ext);
            int w = 0, h = 0, x, y;
            EXPECT_EQ(c.probe(p, &w, &h, &x, &y), 1) << p;
            EXPECT_EQ(w, 24);
        }
    }
    scan_kind = -1;
    char none[MAX_PATH];
    EXPECT_EQ(scan_to_file(none), 0);
    EXPECT_EQ(files_in(dir), 8);
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(scan_format_of_count(0), SAVE_NONE);
}

TEST_F(save_fixture, DialogChoices)
{
    std::string gif = dir.write("a.gif", "GIF89a");
    std::string jpg = make_jpeg(dir, "b.jpg");
    save_dialog_values = {SAVE_NONE, 0, 0, 1, 0, 0, 0};
    // A source of another kind: no format is checked, and OK without one cancels.
    bool any_checked = true;
    dialog_player::arm([&](HWND d) {
        any_checked = false;
        for (int id = IDC_FORMAT_BMP; id <= IDC_FORMAT_TIF; id++)
            any_checked = any_checked || IsDlgButtonChecked(d, id);
        dialog_player::click(d, IDOK);
    });
    EXPECT_EQ(run_save_dialog(nullptr, gif.c_str(), 300, 300, 1), 0);
    EXPECT_FALSE(any_checked);

    // The JPEG: its own format, deletion disabled; a turn disables the
    // quality; 101 is refused with the box and the dialog stays.
    save_dialog_values = {SAVE_NONE, 0, 0, 1, 0, 0, 0};
    bool delete_enabled = true, quality_enabled = true, stayed = false;
    std::string note;
    dialog_player::arm([&](HWND d) {
        delete_enabled = IsWindowEnabled(GetDlgItem(d, IDC_CHECK0));
        note = dialog_player::text_of(d, IDC_NOTE);
        dialog_player::click(d, IDC_TURN_90);
        quality_enabled = IsWindowEnabled(GetDlgItem(d, IDC_FIELD0));
        dialog_player::click(d, IDC_TURN_0);
        dialog_player::type(d, IDC_FIELD0, "101");
        dialog_player::click(d, IDOK);
        stayed = IsWindow(d) && dialog_player::text_of(d, IDC_FIELD0) == "0";
        dialog_player::type(d, IDC_FIELD0, "75");
        dialog_player::type(d, IDC_FIELD1, "144");
        dialog_player::click(d, IDC_FORMAT_PNG);
        dialog_player::click(d, IDOK);
    });
    bench::message_boxes.clear();
    EXPECT_EQ(run_save_dialog(nullptr, jpg.c_str(), 72, 72, 0), SAVE_PNG);
    EXPECT_FALSE(delete_enabled);
    EXPECT_FALSE(quality_enabled);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(note, "");
    ASSERT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::message_boxes[0].text, "JPEGの圧縮率が範囲外です．");
    EXPECT_EQ(save_dialog_values.quality, 75);
    EXPECT_EQ(save_dialog_values.xdpi, 144);
    EXPECT_EQ(save_dialog_values.format, SAVE_PNG);
}
