// Pages recorded for the test printer, read back record by record: one
// picture per cell at its rectangle, the header's alignment and shortening,
// crops, the pixel budget, tiles of posters, captions, frames and layouts.
#include "tests/print/print_fixtures.h"
#include "print/print.h"
#include "browser/model/archive_work.h"
#include "browser/model/paths.h"
#include "tests/support/census.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>

using namespace print_fixture;

namespace {

class RenderPage : public ::testing::Test {
protected:
    fresh_settings s;
    std::unique_ptr<job_marks> job;
    void SetUp() override
    {
        ASSERT_TRUE(printer_ready()) << "no test printer: build printer_setup (standins/printer)";
        ASSERT_TRUE(select_printer(nullptr));
    }
    void TearDown() override { use_printer_dc(nullptr); }
    // count pictures of w x h in the scratch folder, all marked.
    void pictures(int count, int w, int h)
    {
        std::vector<int> marked;
        for (int i = 0; i < count; i++) marked.push_back(i);
        job.reset(new job_marks(count, marked, s.dir.path()));
        for (int i = 0; i < count; i++) write_bmp(job->names[i], w, h);
    }
    std::vector<emf_record> pictures_on(int page)
    {
        return records_of_type(records_of(render_print_pages(page)), EMR_STRETCHDIBITS);
    }
};

TEST_F(RenderPage, ThePrinterGivesThePageInScreenUnits)
{
    HDC dc = print_settings.printer_dc;
    int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ASSERT_GT(dpi, 0);
    EXPECT_EQ(print_settings.page_width, (int)(GetDeviceCaps(dc, HORZRES) * 96.0 / dpi + 0.5));
    EXPECT_EQ(print_settings.page_height,
              (int)(GetDeviceCaps(dc, VERTRES) * 96.0 / GetDeviceCaps(dc, LOGPIXELSY) + 0.5));
    // Offsets in device pixels become tenths of a millimetre (75 pixels at 300 dpi are 64, not 750).
    EXPECT_EQ(print_settings.offset_x, (int)(GetDeviceCaps(dc, PHYSICALOFFSETX) * 254.0 / dpi + 0.5));
    EXPECT_NEAR(paper_width_mm(), 210, 1);
    EXPECT_NEAR(paper_height_mm(), 297, 1);
}

struct cell_row {
    int start, align_x, align_y, size_mode;
};

TEST_F(RenderPage, EachCellHoldsOnePictureAtItsRectangle)
{
    const cell_row rows[] = {{0, 1, 1, 1}, {5, 0, 0, 1}, {3, 2, 2, 1}, {0, 1, 1, 2}, {17, 1, 1, 0}};
    pictures(3, 40, 30);
    for (const cell_row& row : rows) {
        print_settings_record& r = print_settings.record;
        r.turn_to_fit = 0;
        r.start_cell = row.start, r.align_x = row.align_x, r.align_y = row.align_y, r.size_mode = row.size_mode;
        layout_cells();
        double cw = print_settings.cell_width, ch = print_settings.cell_height;
        std::vector<emf_record> cells = pictures_on(0);
        ASSERT_EQ(cells.size(), 3u) << row.start;
        int start = row.start < 16 ? row.start : 0;
        double scale = row.size_mode == 2 ? std::fmin(cw / 40, ch / 30) : 1.0;
        for (int c = 0; c < 3; c++) {
            const EMRSTRETCHDIBITS& d = cells[c].as<EMRSTRETCHDIBITS>();
            int col = (start + c) % 4, line = (start + c) / 4;
            double dw = 40 * scale, dh = 30 * scale;
            EXPECT_EQ(d.xDest, (int)(col * (cw + 20) + (cw - dw) * row.align_x * 0.5)) << row.start << " cell " << c;
            EXPECT_EQ(d.yDest, (int)(line * (ch + 20) + (ch - dh) * row.align_y * 0.5)) << row.start << " cell " << c;
            EXPECT_EQ(d.cxDest, (int)dw);
            EXPECT_EQ(d.cyDest, (int)dh);
            EXPECT_EQ(d.cxSrc, 40);
        }
    }
}

// Pictures through a bitmap of the printer's own (the print dialog's DIB
// mode): each is on the page, and rendering it again and again leaves no DC
// or bitmap behind.
TEST_F(RenderPage, PicturesThroughAPrinterBitmapLeaveNothingBehind)
{
    pictures(3, 40, 30);
    print_settings.record.dib_mode = 1;
    layout_cells();
    std::vector<emf_record> all = records_of(render_print_pages(0));
    EXPECT_EQ(records_of_type(all, EMR_STRETCHDIBITS).size() + records_of_type(all, EMR_STRETCHBLT).size(), 3u);
    bench::census before, after;
    bench::count_gdi_objects(before);
    for (int i = 0; i < 5; i++) DeleteEnhMetaFile(render_print_pages(0));
    bench::count_gdi_objects(after);
    EXPECT_EQ(after.gdi_text(), before.gdi_text());
}

TEST_F(RenderPage, TheHeaderIsAlignedAndShortened)
{
    pictures(1, 10, 10);
    text_copy(print_settings.record.title, "Header");
    int x[3];
    for (int align = 0; align < 3; align++) {
        print_settings.record.header_align = align;
        layout_cells();
        std::vector<emf_record> all = records_of(render_print_pages(0));
        std::vector<emf_record> texts = text_records(all);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(text_of(texts[0]), "Header ");
        x[align] = texts[0].as<EMREXTTEXTOUTA>().emrtext.ptlReference.x;
        EXPECT_EQ(texts[0].as<EMREXTTEXTOUTA>().emrtext.ptlReference.y, 0);
    }
    EXPECT_EQ(x[0], 0);
    EXPECT_GT(x[1], x[0]);
    EXPECT_GT(x[2], x[1]);
    EXPECT_NEAR(x[1] - x[0], x[2] - x[1], 1);

    std::string long_title(200, 'W');
    text_copy(print_settings.record.title, long_title.c_str());
    std::vector<emf_record> texts = text_records(records_of(render_print_pages(0)));
    ASSERT_EQ(texts.size(), 1u);
    std::string shown = text_of(texts[0]);
    EXPECT_LT(shown.size(), long_title.size());
    EXPECT_EQ(shown.substr(shown.size() - 2), "..");
}

// Each text of a page recording with where it starts.
std::vector<std::string> placed_texts(int page)
{
    std::vector<std::string> out;
    for (const emf_record& t : text_records(records_of(render_print_pages(page)))) {
        const POINTL& at = t.as<EMREXTTEXTOUTA>().emrtext.ptlReference;
        out.push_back(std::to_string(at.x) + "," + std::to_string(at.y) + " " + text_of(t));
    }
    return out;
}

TEST_F(RenderPage, TextIsMeasuredAsOnPaperWhateverStateThePrinterDcIsIn)
{
    pictures(2, 10, 10);
    print_settings_record& r = print_settings.record;
    text_copy(
        r.title,
        "表示ソ能 WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    r.header_align = 2, r.header_font = 24, r.show_date = r.show_time = 1, r.info_align = 2;
    layout_cells();
    HDC dc = print_settings.printer_dc;
    std::vector<std::string> fresh = placed_texts(0);
    ASSERT_EQ(fresh.size(), 3u);
    EXPECT_NE(fresh[0].find(".."), std::string::npos) << fresh[0];
    struct mapping {
        int mode, window_w, window_h, viewport_w, viewport_h;
    };
    // As on paper (page units onto the printable area), and as another caller may leave it.
    const mapping states[] = {
        {MM_ANISOTROPIC, print_settings.page_width, print_settings.page_height, GetDeviceCaps(dc, HORZRES),
         GetDeviceCaps(dc, VERTRES)},
        {MM_ANISOTROPIC, 1, 1, 3, 3},
        {MM_LOMETRIC, 0, 0, 0, 0},
    };
    for (const mapping& m : states) {
        int saved = SaveDC(dc);
        SetMapMode(dc, m.mode);
        if (m.mode == MM_ANISOTROPIC) {
            SetWindowExtEx(dc, m.window_w, m.window_h, nullptr);
            SetViewportExtEx(dc, m.viewport_w, m.viewport_h, nullptr);
        }
        EXPECT_EQ(placed_texts(0), fresh) << "mode " << m.mode << " window " << m.window_w;
        EXPECT_EQ(GetMapMode(dc), m.mode) << "the renderer leaves the DC as it found it";
        RestoreDC(dc, saved);
    }
}

// The header names the folder as the title bar does: inside an archive
// opened as a folder, the archive's own path and the folder within it, never
// the work folder it was extracted to.
TEST_F(RenderPage, TheHeaderNamesTheFolderAsTheTitleDoes)
{
    pictures(1, 10, 10);
    scoped_restore<archive_work_record> keep_work(archive_work);
    scoped_restore<current_folder_state> keep_folder(current_folder);
    archive_work.instance = 5;
    text_copy(archive_work.folder, s.dir.file("folder").c_str());
    text_copy(archive_work.folder_file, s.dir.file("folder.d").c_str());
    ASSERT_TRUE(write_open_archive("d:\\写真\\表ソ能.lzh"));
    print_settings.record.header_folder = 1;
    layout_cells();
    struct row {
        std::string folder, title, header;
    };
    const row rows[] = {
        {s.dir.file("folder\\夏"), "", "写真/表ソ能.lzh/夏"},
        {s.dir.file("folder"), "", "写真/表ソ能.lzh"},
        {"c:\\アルバム\\夏", "", "アルバム/夏"},
        {"c:\\アルバム\\夏", "旅行", "アルバム/夏 旅行 "},  // the folder and the title are two words
    };
    for (const row& r : rows) {
        text_copy(current_folder.folder, r.folder.c_str());
        text_copy(print_settings.record.title, r.title.c_str());
        std::vector<emf_record> texts = text_records(records_of(render_print_pages(0)));
        ASSERT_EQ(texts.size(), 1u) << r.folder;
        EXPECT_EQ(text_of(texts[0]), r.header) << r.folder;
    }
}

TEST_F(RenderPage, CaptionsDropTheDriveAndShorteningAlwaysEnds)
{
    char out[64];
    caption_text("C:\\表示\\a.jpg", print_settings.printer_dc, out, sizeof out, 1, 100000);
    EXPECT_EQ(std::string(out), "表示/a.jpg");
    for (double limit : {0.0, -5.0, 3.0}) {
        caption_text("C:\\表示\\a.jpg", print_settings.printer_dc, out, sizeof out, 1, limit);
        EXPECT_EQ(std::string(out), "..") << limit;
    }
    char tiny[3];
    caption_text("abcdef", nullptr, tiny, sizeof tiny, 1, 0);
    EXPECT_LT(strlen(tiny), sizeof tiny);
}

struct crop_row {
    int w, h;
    int src_w, src_h;
    int drawn_w, drawn_h;
};

TEST_F(RenderPage, CropsKeepTheCentreAtTheCellsSize)
{
    // Cells of 100 x 100 units, 1 x 1 per page.
    const crop_row rows[] = {
        {300, 400, 300, 300, 100, 100},
        {400, 300, 300, 300, 100, 100},
        {201, 200, 201, 200, 100, 99},
    };
    for (const crop_row& row : rows) {
        pictures(1, row.w, row.h);
        print_settings.record.crop = 1;
        print_settings.record.columns = print_settings.record.rows = 1;
        print_settings.record.fixed_cell_size = 1;
        print_settings.record.cell_width_mm = print_settings.record.cell_height_mm = 1;
        layout_cells();
        print_settings.cell_width = print_settings.cell_height = 100;
        std::vector<emf_record> cells = pictures_on(0);
        ASSERT_EQ(cells.size(), 1u);
        const EMRSTRETCHDIBITS& d = cells[0].as<EMRSTRETCHDIBITS>();
        EXPECT_EQ(d.cxSrc, row.src_w) << row.w << "x" << row.h;
        EXPECT_EQ(d.cySrc, row.src_h) << row.w << "x" << row.h;
        EXPECT_EQ(d.cxDest, row.drawn_w) << row.w << "x" << row.h;
        EXPECT_EQ(d.cyDest, row.drawn_h) << row.w << "x" << row.h;
    }
}

TEST_F(RenderPage, AQuirkyPrinterGetsPicturesShrunkToTheBudget)
{
    pictures(1, 200, 200);
    print_settings_record& r = print_settings.record;
    r.columns = r.rows = 1;
    layout_cells();
    print_settings.cell_width = print_settings.cell_height = 50;
    r.printer_quirk = 1;
    r.pixel_budget = 10000;
    std::vector<emf_record> cells = pictures_on(0);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_NEAR(cells[0].as<EMRSTRETCHDIBITS>().cxSrc, 100, 1);  // sqrt(10000 / 40000) of 200
    EXPECT_EQ(cells[0].as<EMRSTRETCHDIBITS>().cxDest, 50);
    r.printer_quirk = 0;
    cells = pictures_on(0);
    EXPECT_EQ(cells[0].as<EMRSTRETCHDIBITS>().cxSrc, 200);
}

struct photo_layout {
    const char* name;
    void (*arrange)(print_settings_record*);
};

TEST_F(RenderPage, CameraPhotosAreRecordedAtTheirSizeOnPaperNotTheCamerasSize)
{
    program_image_formats formats;
    const photo_layout layouts[] = {
        {"4x4", [](print_settings_record*) {}},
        {"contact sheet", preset_contact_sheet},
        {"cropped", [](print_settings_record* r) { r->crop = 1; }},
        {"filling", [](print_settings_record* r) { r->size_mode = 2, r->columns = 3, r->rows = 5; }},
        {"unturned", [](print_settings_record* r) { r->turn_to_fit = 0, r->columns = 1, r->rows = 6; }},
        {"poster 2x1", preset_poster_2x1},
    };
    HDC dc = print_settings.printer_dc;
    for (const photo_layout& l : layouts) {
        print_settings_record& r = print_settings.record;
        print_settings_defaults(&r);
        l.arrange(&r);
        job.reset(new job_marks(1, {0}));
        job->names[0] = camera_photo();
        job->name_ptrs[0] = &job->names[0][0];
        layout_cells();
        std::vector<emf_record> cells = pictures_on(0);
        ASSERT_EQ(cells.size(), 1u) << l.name;
        const EMRSTRETCHDIBITS& d = cells[0].as<EMRSTRETCHDIBITS>();
        // The drawn size in printer pixels, the drawn size being cut to whole page units.
        double across = (d.cxDest + 1.0) * GetDeviceCaps(dc, HORZRES) / print_settings.page_width;
        double down = (d.cyDest + 1.0) * GetDeviceCaps(dc, VERTRES) / print_settings.page_height;
        EXPECT_LE(d.cxSrc, std::ceil(across)) << l.name;
        EXPECT_LE(d.cySrc, std::ceil(down)) << l.name;
        // Never less than paper shows (to a pixel and the cut unit), nor more than the camera gave.
        double shown = (double)GetDeviceCaps(dc, HORZRES) / print_settings.page_width;
        EXPECT_GE(d.cxSrc + 2, std::fmin(across - shown, r.poster ? 2000 : 4000)) << l.name;
        // The recording holds those pixels, not the camera's 36 MB.
        EXPECT_LE(cells[0].bytes.size(), std::ceil(across) * (std::ceil(down) + 1) * 3 + 1024) << l.name;
    }
}

TEST_F(RenderPage, TheFrameIsDrawnAfterThePictureWithoutFilling)
{
    pictures(1, 40, 30);
    print_settings.record.frame = 1;
    layout_cells();
    std::vector<emf_record> all = records_of(render_print_pages(0));
    size_t picture = 0, frame = 0;
    for (size_t i = 0; i < all.size(); i++) {
        if (all[i].type == EMR_STRETCHDIBITS) picture = i;
        if (all[i].type == EMR_RECTANGLE) frame = i;
    }
    ASSERT_GT(picture, 0u);
    EXPECT_GT(frame, picture);
    const EMRRECTANGLE& box = all[frame].as<EMRRECTANGLE>();
    EXPECT_NEAR(box.rclBox.right + 1 - box.rclBox.left, print_settings.cell_width, 1);  // the box is inclusive

    // Played into a white page the picture's centre stays red: the frame does not fill.
    const EMRSTRETCHDIBITS& d = all[picture].as<EMRSTRETCHDIBITS>();
    HDC memory = CreateCompatibleDC(nullptr);
    BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), print_settings.page_width, -print_settings.page_height, 1, 32}};
    void* bits;
    HBITMAP page = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, page);
    PatBlt(memory, 0, 0, print_settings.page_width, print_settings.page_height, WHITENESS);
    HENHMETAFILE emf = render_print_pages(0);
    RECT all_page = page_rect();
    PlayEnhMetaFile(memory, emf, &all_page);
    DeleteEnhMetaFile(emf);
    EXPECT_EQ(GetPixel(memory, d.xDest + d.cxDest / 2, d.yDest + d.cyDest / 2), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(memory, box.rclBox.left, box.rclBox.top + 5), RGB(0, 0, 0));
    SelectObject(memory, old);
    DeleteObject(page);
    DeleteDC(memory);
}

// A 2 x 3 image of six coloured blocks; the colour of a tile's first pixel.
_bmap* six_blocks()
{
    _bmap* b = bmap_new(20, 30);
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 20; x++) b->pixels[y * b->stride + x * 3] = (BYTE)((y / 10) * 2 + x / 10 + 1);
    return b;
}

TEST(PosterTiles, TilesAreCountedAsThePictureIsShown)
{
    struct row {
        int turns, index, colour;
    };
    // Blocks: 1 2 / 3 4 / 5 6. Turned a quarter left the picture shows 2 4 6 / 1 3 5 (3 x 2).
    const row rows[] = {{0, 0, 1}, {0, 5, 6}, {0, 3, 4}, {2, 0, 6},  {2, 5, 1},
                        {1, 0, 2}, {1, 2, 6}, {1, 3, 1}, {-1, 0, 5}, {-1, 2, 1}};
    for (const row& r : rows) {
        int columns = r.turns & 1 ? 3 : 2, lines = r.turns & 1 ? 2 : 3;
        _bmap* tile = cut_tile(six_blocks(), columns, lines, r.index, r.turns);
        ASSERT_TRUE(tile);
        EXPECT_EQ(tile->width, 10);
        EXPECT_EQ(tile->pixels[0], r.colour) << "turns " << r.turns << " tile " << r.index;
        _bmap_delete(tile);
    }
    EXPECT_EQ(cut_tile(six_blocks(), 40, 1, 0, 0), nullptr);  // more columns than pixels
}

TEST(CellLayout, SquareAndFixedCellsKeepOneRowAtLeast)
{
    fresh_settings s;
    print_settings_record& r = print_settings.record;
    print_settings.page_width = 1000, print_settings.page_height = 700;
    r.columns = 1, r.square_cells = 1, r.margin_top = r.margin_bottom = 300;
    layout_cells();
    EXPECT_GE(r.rows, 1);
    EXPECT_GT(print_settings.cell_height, 0);

    r = {};
    r.version = PRINT_SETTINGS_VERSION;
    print_settings_defaults(&r);
    r.fixed_cell_size = 1, r.cell_width_mm = r.cell_height_mm = 500;
    layout_cells();
    EXPECT_EQ(r.columns, 1);
    EXPECT_EQ(r.rows, 1);
    r.cell_width_mm = r.cell_height_mm = 40;
    layout_cells();
    EXPECT_EQ(r.columns, (int)((1000 + 20) / (tenth_mm_to_screen_px(400) + 20)));
}

}  // namespace

namespace {

struct turn_row {
    const char* name;
    int turn;
    int src_w;
    bool drawn;
};

TEST_F(RenderPage, PicturesTurnToTheCellOrByTheirNames)
{
    // Cells on A4 with 4 x 4 are taller than wide; the pictures are 40 x 30.
    const turn_row rows[] = {
        {"a.bmp", 1, 30, true},   {"a.bmp", -1, 30, true},  {"a.bmp", 0, 40, true},
        {"a.r.bmp", 0, 30, true}, {"a.i.bmp", 0, 40, true}, {"a.bmp", 5, 0, false},
    };
    for (const turn_row& r : rows) {
        std::string path = s.dir.file(r.name);
        write_bmp(path, 40, 30);
        job.reset(new job_marks(1, {0}));
        job->names[0] = path;
        job->name_ptrs[0] = &job->names[0][0];
        print_settings.record.turn_to_fit = r.turn;
        layout_cells();
        std::vector<emf_record> cells = pictures_on(0);
        ASSERT_EQ(cells.size(), r.drawn ? 1u : 0u) << r.name << " turn " << r.turn;
        if (r.drawn) EXPECT_EQ(cells[0].as<EMRSTRETCHDIBITS>().cxSrc, r.src_w) << r.name << " turn " << r.turn;
    }
}

// A width x height BMP of four flat quarters, colours q[0] to q[3] from the
// top left, row by row (blue, green, red in the low bytes).
void write_quarters(const std::string& path, int width, int height, const uint32_t q[4])
{
    _bmap* image = bmap_new(width, height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint32_t c = q[(y >= height / 2) * 2 + (x >= width / 2)];
            memcpy(image->pixels + (size_t)y * image->stride + x * 3, &c, 3);
        }
    _bmap_save_bmp(image, fopen(path.c_str(), "wb"));
    _bmap_delete(image);
}

// The colour at (x, y) of a recorded picture.
uint32_t recorded_at(const emf_record& r, int x, int y)
{
    const EMRSTRETCHDIBITS& d = r.as<EMRSTRETCHDIBITS>();
    const BITMAPINFOHEADER* h = reinterpret_cast<const BITMAPINFOHEADER*>(r.bytes.data() + d.offBmiSrc);
    int stride = (h->biWidth * 3 + 3) & ~3;
    int row = h->biHeight < 0 ? y : h->biHeight - 1 - y;
    uint32_t c = 0;
    memcpy(&c, r.bytes.data() + d.offBitsSrc + (size_t)row * stride + x * 3, 3);
    return c;
}

TEST_F(RenderPage, TurnedPicturesAreShrunkAndTurnedTheWayTheTurnSays)
{
    // Shrunk to the printer's pixels in the same pass that turns them: each
    // quarter lands where _bmap_rotate puts it.
    const uint32_t q[4] = {0x0000ff, 0x00ff00, 0xff0000, 0xffffff};
    const struct {
        const char* name;
        int turn_to_fit, angle;
    } rows[] = {{"a.bmp", 1, -90}, {"a.bmp", -1, 90}, {"a.l.bmp", 0, 90}, {"a.r.bmp", 0, -90}, {"a.i.bmp", 0, 180}};
    _bmap* quarters = bmap_new(2, 2);
    for (int k = 0; k < 4; k++) memcpy(quarters->pixels + (k / 2) * quarters->stride + (k % 2) * 3, &q[k], 3);
    for (const auto& row : rows) {
        std::string path = s.dir.file(row.name);
        write_quarters(path, 800, 600, q);
        job.reset(new job_marks(1, {0}));
        job->names[0] = path;
        job->name_ptrs[0] = &job->names[0][0];
        print_settings.record.turn_to_fit = row.turn_to_fit;
        print_settings.record.columns = print_settings.record.rows = 8;  // cells fewer printer pixels than the picture
        layout_cells();
        std::vector<emf_record> cells = pictures_on(0);
        ASSERT_EQ(cells.size(), 1u) << row.name;
        const EMRSTRETCHDIBITS& d = cells[0].as<EMRSTRETCHDIBITS>();
        bool quarter = row.angle != 180;
        EXPECT_EQ(d.cxSrc < d.cySrc, quarter) << row.name;
        EXPECT_LT(d.cxSrc, quarter ? 600 : 800) << row.name << ": not shrunk";
        _bmap* expected = _bmap_rotate(quarters, row.angle);
        for (int k = 0; k < 4; k++) {
            int x = (k % 2) * d.cxSrc / 2 + d.cxSrc / 4, y = (k / 2) * d.cySrc / 2 + d.cySrc / 4;
            uint32_t want = 0;
            memcpy(&want, expected->pixels + (k / 2) * expected->stride + (k % 2) * 3, 3);
            EXPECT_EQ(recorded_at(cells[0], x, y), want) << row.name << " quarter " << k;
        }
        _bmap_delete(expected);
    }
    _bmap_delete(quarters);
}

TEST_F(RenderPage, CaptionsAndCommentLinesAreBoundedAndTheInfoLineSitsUnderThePicture)
{
    std::string path = s.dir.file("photo.r.bmp");
    write_bmp(path, 40, 30);
    std::string comment;
    for (int i = 0; i < 100; i++) comment += std::string(2000, 'c') + "\r\n";
    bench::write_file(s.dir.file("photo.r.txt"), comment);
    job.reset(new job_marks(1, {0}));
    job->names[0] = path;
    job->name_ptrs[0] = &job->names[0][0];
    print_settings_record& r = print_settings.record;
    r.caption_name = 1, r.caption_comment = 1, r.show_size = 1, r.turn_to_fit = 0;
    layout_cells();
    std::vector<emf_record> all = records_of(render_print_pages(0));
    std::vector<emf_record> texts = text_records(all);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(text_of(texts[0]).substr(0, 6), "photo ") << "no rotation mark, no extension";
    EXPECT_LE(texts.size(), 1u + 16u + 1u) << "comment lines are bounded";
    for (const emf_record& t : texts) EXPECT_LT(text_of(t).size(), 1024u);
    // The information line: grey, just under the picture.
    std::vector<emf_record> pictures = records_of_type(all, EMR_STRETCHDIBITS);
    ASSERT_FALSE(pictures.empty());
    const EMRSTRETCHDIBITS& d = pictures[0].as<EMRSTRETCHDIBITS>();
    const emf_record& info = texts.back();
    EXPECT_EQ(info.as<EMREXTTEXTOUTA>().emrtext.ptlReference.y, d.yDest + d.cyDest);
    EXPECT_NE(text_of(info).find("("), std::string::npos) << text_of(info);
}

TEST_F(RenderPage, TheInfoLineOfAPictureGoneSinceItWasListedStaysInItsCell)
{
    job.reset(new job_marks(2, {0, 1}));
    job->names[0] = s.dir.file("表ソ能.bmp");  // never written
    job->names[1] = s.dir.file("ある.bmp");
    write_bmp(job->names[1], 40, 30);
    for (int i = 0; i < 2; i++) job->name_ptrs[i] = &job->names[i][0];
    print_settings_record& r = print_settings.record;
    r.show_date = r.show_size = 1, r.frame = 1;
    for (int align = 0; align < 3; align++) {
        r.info_align = align;
        layout_cells();
        std::vector<emf_record> texts = text_records(records_of(render_print_pages(0)));
        ASSERT_EQ(texts.size(), 2u) << align;
        // The first cell starts at the page's left edge, the second one cell and a gap to its right.
        for (int c = 0; c < 2; c++) {
            double cell_x = c * (print_settings.cell_width + r.gap_x);
            int x = texts[c].as<EMREXTTEXTOUTA>().emrtext.ptlReference.x;
            EXPECT_GE(x, (int)cell_x) << "cell " << c << " align " << align << " " << text_of(texts[c]);
            EXPECT_LT(x, (int)(cell_x + print_settings.cell_width)) << "cell " << c << " align " << align;
        }
    }
}

}  // namespace

namespace {

TEST(CellLayout, CentredOnThePaperWithTheUnprintableBorder)
{
    fresh_settings s;
    print_settings_record& r = print_settings.record;
    print_settings.page_width = 745, print_settings.page_height = 1027;
    print_settings.offset_x = 64, print_settings.offset_y = 127;  // 75 and 150 pixels at 300 dpi
    r.centre_on_paper = 1, r.fixed_cell_size = 1, r.cell_width_mm = r.cell_height_mm = 40;
    layout_cells();
    double grid_w = r.columns * print_settings.cell_width + (r.columns - 1) * r.gap_x;
    double grid_h = r.rows * print_settings.cell_height + (r.rows - 1) * r.gap_y;
    int off_x = tenth_mm_to_screen_px(64), off_y = tenth_mm_to_screen_px(127);
    double paper_w = 745 + off_x, paper_h = 1027 + off_y;
    double left = print_settings.margin_left + off_x, top = print_settings.margin_top + off_y;
    EXPECT_NEAR(left, paper_w - left - grid_w, 1);
    EXPECT_NEAR(top, paper_h - top - grid_h, 1);
}

}  // namespace
