// PDF pages through the stand-in automation server (a real in-process COM
// server registered under HKLM): page sizes from real PDF files written
// here, pictures at several zooms off the clipboard, and the failures: no
// server, a file it cannot open, a failing render, unknown members.
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/formats/pixel_fixtures.h"
#include "tests/support/bench.h"
#include "tests/support/clipboard_lock.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

const char* const document_clsid = "{6E0C4F7A-8C1D-4C55-9B1E-2A5D3C7B9A01}";
const char* const rect_clsid = "{6E0C4F7A-8C1D-4C55-9B1E-2A5D3C7B9A02}";

void set_default(const std::string& key, const std::string& name, const std::string& value)
{
    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr));
    RegSetValueExA(k, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, (const BYTE*)value.c_str(),
                   (DWORD)value.size() + 1);
    RegCloseKey(k);
}

// The same keys as the bench's set-up writes, so the tests hold on an older prefix too.
void register_server()
{
    std::string dll = bench::exe_folder() + "standin_pdf.dll";
    const std::pair<const char*, const char*> classes[] = {{"AcroExch.PDDoc", document_clsid},
                                                           {"AcroExch.Rect", rect_clsid}};
    for (const auto& c : classes) {
        std::string clsid_key = std::string("Software\\Classes\\CLSID\\") + c.second + "\\InprocServer32";
        set_default(std::string("Software\\Classes\\") + c.first + "\\CLSID", "", c.second);
        set_default(clsid_key, "", dll);
        set_default(clsid_key, "ThreadingModel", "Apartment");
    }
}

// A minimal valid PDF of one empty page, with a correct cross-reference table.
std::string pdf(const char* media_box)
{
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        std::string("<< /Type /Page /Parent 2 0 R /MediaBox [") + media_box + "] /Resources << >> >>",
    };
    std::string s = "%PDF-1.4\n";
    std::vector<size_t> at;
    for (size_t i = 0; i < objects.size(); i++) {
        at.push_back(s.size());
        s += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = s.size();
    s += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t a : at) {
        char line[24];
        snprintf(line, sizeof line, "%010u 00000 n \n", (unsigned)a);
        s += line;
    }
    s += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
    return s;
}

struct pdf_mode {
    explicit pdf_mode(const char* mode) { SetEnvironmentVariableA("ZOTE_PDF_MODE", mode); }
    ~pdf_mode() { SetEnvironmentVariableA("ZOTE_PDF_MODE", nullptr); }
};

// Puts a known 3 x 2 picture on the clipboard.
void seed_clipboard()
{
    _bmap b(3, 2);
    memset(b.pixels, 0x40, (size_t)b.size);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sizeof b.header + (size_t)b.size);
    BYTE* p = (BYTE*)GlobalLock(h);
    BITMAPINFOHEADER head = b.header;
    head.biHeight = 2;
    memcpy(p, &head, sizeof head);
    memcpy(p + sizeof head, b.pixels, (size_t)b.size);
    GlobalUnlock(h);
    SetClipboardData(CF_DIB, h);
    CloseClipboard();
}

}  // namespace

TEST(Pdf, ProbesTheFirstPagesSizeInPoints)
{
    register_server();
    bench::scratch_dir dir;
    struct {
        const char* box;
        int w, h;
    } cases[] = {{"0 0 595 842", 595, 842}, {"10 20 110 220", 100, 200}, {"0 0 612 792", 612, 792}};
    for (const auto& c : cases) {
        std::string path = dir.write("p.pdf", pdf(c.box));
        int w = 0, h = 0, xd = -1, yd = -1;
        EXPECT_EQ(1, probe_pdf_file(path.c_str(), &w, &h, &xd, &yd)) << c.box;
        EXPECT_EQ(c.w, w);
        EXPECT_EQ(c.h, h);
        EXPECT_EQ(0, xd);
        EXPECT_EQ(0, yd);
    }
}

TEST(Pdf, PagesArePageSizeTimesZoom)
{
    register_server();
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    std::string path = dir.write("表.pdf", pdf("0 0 595 842"));
    struct {
        int zoom, w, h;
    } cases[] = {{100, 595, 842}, {50, 297, 421}, {25, 148, 210}, {150, 892, 1263}};
    for (const auto& c : cases) {
        _bmap* b = load_pdf_page(path.c_str(), c.zoom);
        ASSERT_TRUE(b) << c.zoom;
        EXPECT_EQ(c.w, b->width) << c.zoom;
        EXPECT_EQ(c.h, b->height) << c.zoom;
        EXPECT_EQ((rgb{0, 0, 0}), at(b, 0, 0));
        EXPECT_EQ((rgb{255, 255, 255}), at(b, c.w / 2, c.h / 2));
        _bmap_delete(b);
    }
}

TEST(Pdf, FailuresLeaveNoPicture)
{
    register_server();
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    std::string good = dir.write("p.pdf", pdf("0 0 200 100"));
    std::string not_pdf = dir.write("n.pdf", "GIF89a and more");
    std::string long_path(300, 'a');
    scoped_restore<const char*> keep_class{pdf_document_class};
    int live = bmap_live_count;
    struct {
        const char* name;
        const char* path;
        const char* mode;
        const char* document_class;
        int probe;  // no server to ask is told apart from a file it refuses
    } cases[] = {
        {"no server", good.c_str(), "", "ZoteTest.NoSuchServer", PROBE_NO_READER},
        {"not a pdf", not_pdf.c_str(), "", "AcroExch.PDDoc", 0},
        {"missing file", "D:\\no\\such.pdf", "", "AcroExch.PDDoc", 0},
        {"path too long", long_path.c_str(), "", "AcroExch.PDDoc", 0},
        {"render fails", good.c_str(), "render-fails", "AcroExch.PDDoc", 1},
        {"render puts nothing", good.c_str(), "render-nothing", "AcroExch.PDDoc", 1},
        {"unknown members", good.c_str(), "no-member", "AcroExch.PDDoc", PROBE_NO_READER},
    };
    for (const auto& c : cases) {
        pdf_mode mode(c.mode);
        pdf_document_class = c.document_class;
        seed_clipboard();
        EXPECT_EQ(nullptr, load_pdf_page(c.path, 100)) << c.name;
        int w = 0, h = 0, xd, yd;
        EXPECT_EQ(c.probe, probe_pdf_file(c.path, &w, &h, &xd, &yd)) << c.name;
    }
    EXPECT_EQ(live, bmap_live_count);
    // COM is given back on every path: this thread can still choose its model.
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(S_OK, hr);
    if (SUCCEEDED(hr)) CoUninitialize();
}
