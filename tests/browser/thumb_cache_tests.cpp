// The thumbnail caches on real files: a cache file's bytes written and read
// back, edited images and same-named images in two folders, corrupt cache
// files of every kind, clearing beside foreign files, and the in-memory
// cache's hits, misses and round-robin replacement.
#include "app/start_up.h"
#include "browser/grid/grid.h"
#include "browser/model/start.h"
#include "browser/caches/thumb_cache.h"
#include "tests/browser/list_fixtures.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {
uint32_t word_at(const std::string& bytes, size_t offset)
{
    uint32_t v;
    memcpy(&v, bytes.data() + offset, 4);
    return v;
}

void set_word(std::string& bytes, size_t offset, uint32_t v) { memcpy(&bytes[offset], &v, 4); }

FILETIME write_time_of(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a);
    return a.ftLastWriteTime;
}

// A cache root of its own in a scratch folder, at thumbnail size 128.
struct cache_bench {
    bench::scratch_dir dir;
    std::string root;
    thumb_cache_dir d;

    cache_bench()
    {
        kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
        list_fixture::reset_list();
        install_image_format_hooks();
        set_size(128);
        browser_list.bits_per_pixel = 32;
        cache_init(&d);
        root = dir.file("cache\\");
        CreateDirectoryA(root.c_str(), nullptr);
        EXPECT_EQ(set_cache_path(&d, root.c_str()), 1);
        d.cache_size = 8;
    }
    ~cache_bench()
    {
        for (int s = 101; s < 110; s++) _page_free(s);
        set_size(128);
        browser_list.cache_working_size = 256;
    }
    static void set_size(double size)
    {
        browser_list.thumb_size = browser_list.drawn_size = size;
        browser_list.cache_working_size = 4;
    }
    std::string image(const std::string& name, int w, int h, int minutes = 0)
    {
        std::string path = dir.write(name, "");
        list_fixture::write_image(path, w, h);
        list_fixture::set_time(path, minutes);
        return path;
    }
    int look(const std::string& path, int slot = 101)
    {
        file_kind k;
        make_file_kind(path.c_str(), &k, 1, 0);
        return cache_lookup_or_make(&d, path.c_str(), 0, &k, slot);
    }
    std::vector<std::string> files(const std::string& folder = "") const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA(((folder.empty() ? root : folder) + "*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
        std::sort(names.begin(), names.end());
        return names;
    }
};

page_info slot_picture(int slot) { return _page_info(slot); }

// The size a w x h picture gets in a 128 box, by the library's own scaling.
SIZE thumb_of(int w, int h)
{
    _bmap* b = bmap_new(w, h);
    _bmap* s = _bmap_scale(fit_scale(0, w, h, 128, 128), 0.14, b);
    SIZE r = {s->width, s->height};
    _bmap_delete(s);
    _bmap_delete(b);
    return r;
}
}  // namespace

TEST(DiskCache, FileLayoutWrittenAndReadBack)
{
    cache_bench b;
    std::string png = b.image("photo.png", 512, 384, 7);
    EXPECT_EQ(b.look(png), 1);
    ASSERT_EQ(b.files(), std::vector<std::string>{"$.photo.png.0"});
    std::string bytes = bench::read_file(b.root + "$.photo.png.0");
    ASSERT_GT(bytes.size(), 330u);
    file_kind k;
    make_file_kind(png.c_str(), &k, 1, 0);
    const SIZE t = thumb_of(512, 384);
    struct {
        size_t offset;
        uint32_t value;
    } words[] = {
        {0, 320},
        {4, 14},
        {8, k.file_size},
        {12, 512},
        {16, 384},
        {20, uint32_t(k.write_time)},
        {24, uint32_t(k.write_time >> 32)},
        {28, 0},
        {32, 0},
        {36, 0},
        {40, 0},
        {44, 128},
        {48, 128},
        {52, 32},
        {56, 0},
        {320, uint32_t(t.cx)},
        {324, uint32_t(t.cy)},
    };
    for (const auto& w : words) EXPECT_EQ(word_at(bytes, w.offset), w.value) << "offset " << w.offset;
    EXPECT_EQ(std::string(bytes.data() + 60), png);
    EXPECT_EQ(bytes.find_first_not_of('\0', 60 + png.size()), 320u);
    // The stream: a JPEG whose first luminance quantiser is 1 at quality 96.
    EXPECT_EQ(bytes.substr(328, 2), "\xFF\xD8");
    size_t dqt = bytes.find("\xFF\xDB", 328);
    ASSERT_NE(dqt, std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(bytes[dqt + 5]), 1);
    FILETIME a = write_time_of(png), c = write_time_of(b.root + "$.photo.png.0");
    EXPECT_EQ(CompareFileTime(&a, &c), 0);

    // Read back: the picture comes from the file, and nothing new is written.
    EXPECT_EQ(b.look(png, 102), 1);
    EXPECT_EQ(b.files().size(), 1u);
    page_info p = slot_picture(102);
    EXPECT_EQ(p.kind, PAGE_IMAGE);
    EXPECT_EQ(p.width, t.cx);
    EXPECT_EQ(p.height, t.cy);
}

TEST(DiskCache, EditedImagesAndSameNamesInTwoFolders)
{
    cache_bench b;
    std::string png = b.image("a\\same.png", 512, 384, 1);
    EXPECT_EQ(b.look(png), 1);
    // A copy under the same name elsewhere (same size and time) shares the file.
    CreateDirectoryA(b.dir.file("b").c_str(), nullptr);
    std::string copy = b.dir.file("b\\same.png");
    ASSERT_TRUE(CopyFileA(png.c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(b.look(copy), 1);
    EXPECT_EQ(b.files(), std::vector<std::string>{"$.same.png.0"});
    // An edit (new time stamp) never matches the old file: a new one beside it.
    list_fixture::set_time(png, 2);
    EXPECT_EQ(b.look(png), 1);
    EXPECT_EQ(b.files(), (std::vector<std::string>{"$.same.png.0", "$.same.png.1"}));
    // Small pictures and sizes above 256 are drawn but never stored.
    std::string small = b.image("small.jpg", 640, 480);
    EXPECT_EQ(b.look(small), 0);
    cache_bench::set_size(300);
    EXPECT_EQ(b.look(b.image("big.png", 900, 900)), 0);
    EXPECT_EQ(b.files().size(), 2u);
}

TEST(DiskCache, CorruptFilesFailCleanlyAndAreRebuilt)
{
    cache_bench b;
    std::string png = b.image("bad.png", 512, 384, 3);
    ASSERT_EQ(b.look(png), 1);
    const std::string file = b.root + "$.bad.png.0";
    const std::string good = bench::read_file(file);
    struct {
        const char* what;
        size_t offset;
        uint32_t value;
        size_t cut;
    } table[] = {
        {"short", 0, 0, 100},
        {"header only", 0, 0, 320},
        {"width larger than the stream", 320, 100, 0},
        {"height larger than the stored size", 324, 5000, 0},
        {"zero width", 320, 0, 0},
        {"negative height", 324, 0xFFFFFFFF, 0},
        {"huge width", 320, 0x7FFFFFFF, 0},
        {"stored size not 128 or 256", 44, 0x40000000, 0},
        {"stream cut short", 0, 0, 400},
    };
    for (const auto& t : table) {
        std::string bytes = good;
        if (t.offset) set_word(bytes, t.offset, t.value);
        if (t.cut) bytes.resize(t.cut);
        ASSERT_TRUE(bench::write_file(file, bytes));
        list_fixture::set_time(file, 3);
        EXPECT_EQ(b.look(png, 103), 1) << t.what;
        EXPECT_EQ(b.files(), std::vector<std::string>{"$.bad.png.0"}) << t.what;
        EXPECT_EQ(bench::read_file(file).substr(0, 328), good.substr(0, 328)) << t.what << ": rebuilt";
        page_info p = slot_picture(103);
        EXPECT_EQ(p.width, thumb_of(512, 384).cx) << t.what;
    }
}

// A cache folder the user chose may hold the user's own files; the search
// "*.name.*" meets those whose names fit, and a file is deleted only when its
// header says it is a cache file, whatever its length and time stamp.
TEST(DiskCache, FilesOfOthersMetByTheSearchAreKept)
{
    cache_bench b;
    std::string png = b.image("表ソ.png", 512, 384, 5);
    struct {
        const char* name;
        std::string bytes;
    } others[] = {
        {"メモ.表ソ.png.txt", "a short note"},
        {"能.表ソ.png.bak", ""},
        {"古い.表ソ.png.old", std::string(1000, 'o')},
        {"一語.表ソ.png.1", std::string("\x40\x01\0\0", 4)},
        {"違う版.表ソ.png.2", std::string("\x40\x01\0\0\x0d\0\0\0", 8) + std::string(100, 'v')},
    };
    for (const auto& o : others) {
        ASSERT_TRUE(bench::write_file(b.root + o.name, o.bytes));
        list_fixture::set_time(b.root + o.name, 5);
    }
    EXPECT_EQ(b.look(png), 1);
    for (const auto& o : others) EXPECT_EQ(bench::read_file(b.root + o.name), o.bytes) << o.name;
    EXPECT_EQ(b.files().size(), std::size(others) + 1);
    EXPECT_EQ(b.look(png, 102), 1);  // and the cache file written beside them is found
}

TEST(DiskCache, PathsThatDoNotFitSkipTheDiskCache)
{
    cache_bench b;
    // The image's path fits; the cache file's name would not.
    std::string name(250 - b.dir.file("").size(), 'n');
    std::string png = b.image(name + ".png", 512, 384);
    ASSERT_LT(png.size(), 260u);
    EXPECT_EQ(b.look(png), 0);
    EXPECT_TRUE(b.files().empty());
    EXPECT_EQ(slot_picture(101).width, thumb_of(512, 384).cx);
}

TEST(DiskCache, ClearingAndCleanUpTouchOnlyCacheFiles)
{
    cache_bench b;
    const char* foreign[] = {"holiday.jpg", "notes.txt", "$notes", "a.b.c"};
    for (const char* f : foreign) bench::write_file(b.root + f, "mine");
    struct {
        const char* what;
        int (*act)(thumb_cache_dir*);
    } table[] = {
        {"clear", cache_clear},
        {"size 0",
         [](thumb_cache_dir* d) {
             d->cache_size = 0;
             return cache_clean(d);
         }},
    };
    bench::install_message_box_seam(IDOK);
    for (const auto& t : table) {
        bench::write_file(b.root + "$.x.png.0", std::string(1000, 'x'));
        bench::write_file(b.root + "@.y.jpg.3", std::string(1000, 'y'));
        b.d.cache_size = 8;
        EXPECT_EQ(t.act(&b.d), 1) << t.what;
        EXPECT_EQ(b.files(), (std::vector<std::string>{"$notes", "a.b.c", "holiday.jpg", "notes.txt"})) << t.what;
    }
}

TEST(DiskCache, MarkerHeldElsewhereBlocksWritesAndClearing)
{
    cache_bench b;
    FILE* other = fopen(b.d.marker, "wb");  // as another instance holds it
    ASSERT_NE(other, nullptr);
    bench::install_message_box_seam(IDOK);
    EXPECT_EQ(b.look(b.image("locked.png", 512, 384)), 0);
    EXPECT_EQ(cache_clear(&b.d), 0);
    EXPECT_EQ(cache_lock_toggle(&b.d), 0);
    fclose(other);
    EXPECT_EQ(cache_lock_toggle(&b.d), 1);  // taken
    EXPECT_EQ(cache_lock_toggle(&b.d), 1);  // given back
    EXPECT_EQ(GetFileAttributesA(b.d.marker), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(b.look(b.image("free.png", 512, 384)), 1);
}

TEST(MemoryCache, HitsMissesAndReplacement)
{
    cache_bench b;
    b.d.cache_size = 0;  // pictures drawn directly: this is about the keys
    thumb_cache_record& c = thumb_cache;
    thumb_cache_init(&c);
    c.dir = b.d;
    thumb_replace_counter = 0;
    std::vector<std::string> paths;
    for (int i = 0; i < 5; i++) paths.push_back(b.image("m" + std::to_string(i) + ".png", 40, 30, i));
    auto fetch = [&](const std::string& p, int layer = 0) {
        file_kind k;
        make_file_kind(p.c_str(), &k, 1, 0);
        k.layer = static_cast<uint8_t>(layer);
        return thumb_cache_fetch(&c, &k);
    };
    // Working size 4: entries 1 to 3 in turn, then entry 1 is replaced first.
    struct {
        int file, layer, entry;
    } table[] = {
        {0, 0, 1}, {1, 0, 2}, {2, 0, 3}, {0, 0, 1}, {1, 0, 2}, {3, 0, 1}, {4, 0, 2}, {2, 0, 3}, {2, 1, 3},
    };
    for (const auto& t : table)
        EXPECT_EQ(fetch(paths[t.file], t.layer), t.entry) << "file " << t.file << " layer " << t.layer;
    EXPECT_EQ(slot_picture(101 + 0).kind, PAGE_IMAGE);
    // A changed file keeps its entry but gets a new key; a new size or
    // background invalidates every entry.
    list_fixture::set_time(paths[4], 60);
    EXPECT_EQ(fetch(paths[4]), 2);
    EXPECT_EQ(c.entries[2].time_low, static_cast<uint32_t>(write_time_of(paths[4]).dwLowDateTime));
    file_kind k;
    make_file_kind(paths[4].c_str(), &k, 1, 0);
    EXPECT_EQ(cache_entry_matches(&c.entries[2], &k, paths[4].c_str()), 1);
    browser_list.colours[COLOUR_BK] ^= 1;
    EXPECT_EQ(cache_entry_matches(&c.entries[2], &k, paths[4].c_str()), 0);
    browser_list.colours[COLOUR_BK] ^= 1;
    cache_bench::set_size(200);
    EXPECT_EQ(cache_entry_matches(&c.entries[2], &k, paths[4].c_str()), 0);
    // Renames keep the picture unless the rotation mark changes.
    std::string renamed = b.dir.file("renamed.png"), turned = b.dir.file("renamed.r.png");
    thumb_cache_rename(&c, paths[4].c_str(), renamed.c_str());
    EXPECT_EQ(std::string(c.entries[2].path), renamed);
    thumb_cache_rename(&c, renamed.c_str(), turned.c_str());
    EXPECT_EQ(std::string(c.entries[2].path), renamed);
}

TEST(CellPicture, RotationMarksAndFitScale)
{
    struct {
        const char* name;
        int code;
    } names[] = {
        {"photo.R.jpg", -1}, {"a.l.png", 1}, {"c:\\x.y\\a.i.jpg", 2}, {"photo.r", 0}, {"a.jpg.r", 0}, {"a.jpg", 0},
    };
    for (const auto& n : names) EXPECT_EQ(rotation_from_name(n.name), n.code) << n.name;
    EXPECT_DOUBLE_EQ(fit_scale(0, 1000, 1, 128, 128), 0.128);
    EXPECT_DOUBLE_EQ(fit_scale(1, 400, 200, 100, 100), 0.25);
    EXPECT_DOUBLE_EQ(fit_scale(0, 50, 50, 128, 128), 1.0);
}

TEST(CellPicture, ImagesScaledTurnedOrMarkedInRed)
{
    cache_bench b;
    std::string turned = b.image("turn.r.png", 512, 384), tall = b.image("thin.png", 1, 1000);
    struct {
        std::string path;
        int error;
        bool portrait;
    } table[] = {
        {turned, 0, true},  // a shrunk picture is turned too
        {b.image("flat.png", 512, 384), 0, false},
        {tall, 1, true},  // 0.128 pixels wide: "too small"
    };
    for (const auto& t : table) {
        file_kind k;
        make_file_kind(t.path.c_str(), &k, 1, 0);
        cell_result r;
        draw_file_cell(&r, &k, 128, 128, 104, 1, 0);
        EXPECT_EQ(r.error, t.error) << t.path;
        if (!t.error) EXPECT_EQ(r.height > r.width, t.portrait) << t.path;
        EXPECT_GE(_page_info(104).width, 1) << t.path;
    }
}

// A cache file holds its picture in the stored square, while a cell's
// picture area is lower by the name line: a portrait comes to the cell fitted
// to the area, made now or read from a file made while the area was the
// whole square.
TEST(DiskCache, PortraitsFitThePictureAreaMadeOrRead)
{
    cache_bench b;
    std::string png = b.image("縦表.png", 384, 512, 3);
    browser_list.drawn_size = 128;
    EXPECT_EQ(b.look(png, 101), 1);
    EXPECT_GT(slot_picture(101).height, 120) << "the old file holds a picture taller than the area";
    ASSERT_EQ(b.files().size(), 1u);
    struct {
        const char* what;
        bool fresh;
    } cases[] = {{"read from the old file", false}, {"made now", true}};
    int slot = 102;
    for (const auto& c : cases) {
        browser_list.drawn_size = 120;
        if (c.fresh)
            for (const std::string& f : b.files()) DeleteFileA((b.root + f).c_str());
        EXPECT_EQ(b.look(png, slot), 1) << c.what;
        page_info p = slot_picture(slot);
        EXPECT_EQ(p.kind, PAGE_IMAGE) << c.what;
        EXPECT_LE(p.height, 120) << c.what;
        EXPECT_GE(p.height, 119) << c.what;
        EXPECT_EQ(b.files().size(), 1u) << c.what;
        slot++;
    }
}
