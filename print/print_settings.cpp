// The print settings record, its defaults and its files. The record is stored
// as its 524 raw bytes; everything read back is checked for version and length
// and its two text fields are terminated, since a settings file may come from
// anywhere the user picks.
#include "print/print_settings.h"
#include "browser/paths.h"
#include "files/file_ops.h"
#include "files/strings.h"
#include "base/holders.h"
#include <climits>
#include <cstdio>
#include <cstring>

print_settings_state print_settings = {};

void print_settings_defaults(print_settings_record* r)
{
    int32_t version = r->version, dib_mode = r->dib_mode, budget = r->pixel_budget;
    memset(r, 0, sizeof *r);
    r->version = version;
    r->dib_mode = dib_mode;
    r->pixel_budget = budget;
    r->gap_x = r->gap_y = 20;
    r->columns = r->rows = 4;
    r->cell_width_mm = r->cell_height_mm = 40;
    r->turn_to_fit = 1;
    r->header_align = 2;
    r->size_mode = 1;
    r->align_x = r->align_y = 1;
    r->info_align = 2;
    text_copy(r->pixel_budget_text, "1152*864*5");
    r->page_number_base = 1;
    r->header_height = 15;
    r->header_font = 10;
    r->caption_font = 9;
    r->info_font = 8;
}

static int windows_major_version()
{
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    return GetVersionExA(&v) ? (int)v.dwMajorVersion : 5;
}

void print_settings_init()
{
    static bool done;
    if (done) return;
    done = true;
    print_settings_record& r = print_settings.record;
    r.version = PRINT_SETTINGS_VERSION;
    r.dib_mode = windows_major_version() <= 4 ? -1 : 0;
    print_settings_defaults(&r);
    print_settings.page_filter = -1;
    char folder[PATH_BUF];
    if (user_temp_folder(folder, nullptr)) {
        path_join(print_settings.settings_file, folder, "print.p");
        if (path_join(print_settings.settings_folder, folder, "print setting")) md_path(print_settings.settings_folder);
    }
}

void evaluate_pixel_budget(print_settings_record* r)
{
    const char* p = r->pixel_budget_text;
    const char* end = p + strnlen(p, sizeof r->pixel_budget_text);
    long long product = 1;
    int factors = 0;
    while (factors < 6 && p < end) {
        factors++;
        long long value = 0;
        bool negative = false;
        while (p < end && *p == ' ') p++;
        if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
        while (p < end && *p >= '0' && *p <= '9') {
            if (value <= INT_MAX) value = value * 10 + (*p - '0');
            p++;
        }
        if (value > INT_MAX) value = INT_MAX;
        product *= negative ? -value : value;
        if (product > INT_MAX) product = INT_MAX;
        if (product < INT_MIN) product = INT_MIN;
        const char* star = (const char*)memchr(p, '*', end - p);
        if (!star) break;
        p = star + 1;
    }
    r->pixel_budget = factors ? (int32_t)product : 0;
}

int print_settings_path(const char* name, char* out)
{
    if (!name || !*name) return text_copy(out, PATH_BUF, print_settings.settings_file) && out[0];
    const char* last = mb_strrchr(name, '\\');
    if (!last) last = mb_strrchr(name, ':');
    const char* component = last ? last + 1 : name;
    if (!*component || !print_settings.settings_folder[0]) return 0;
    return path_join(out, PATH_BUF, print_settings.settings_folder, component);
}

int save_print_settings(const print_settings_record* r, const char* name)
{
    char path[PATH_BUF], temp[PATH_BUF];
    if (!print_settings_path(name, path) || !text_format(temp, sizeof temp, "%s.new", path)) return 0;
    {
        c_file f(fopen(temp, "wb"));
        if (!f) return 0;
        bool written = fwrite(r, sizeof *r, 1, f.get()) == 1;
        if (fclose(f.release()) != 0 || !written) {
            DeleteFileA(temp);
            return 0;
        }
    }
    if (!MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp);
        return 0;
    }
    return 1;
}

int load_print_settings(print_settings_record* r, const char* name, int* other_version)
{
    if (other_version) *other_version = 0;
    char path[PATH_BUF];
    if (!print_settings_path(name, path)) return 0;
    c_file f(fopen(path, "rb"));
    if (!f) return 0;
    unsigned char bytes[sizeof *r];
    size_t n = fread(bytes, 1, sizeof bytes, f.get());
    if (n < 4) return 0;
    int32_t version;
    memcpy(&version, bytes, 4);
    if (version != PRINT_SETTINGS_VERSION) {
        if (other_version) *other_version = 1;
        return 0;
    }
    memcpy(r, bytes, n);
    r->pixel_budget_text[sizeof r->pixel_budget_text - 1] = 0;
    r->title[sizeof r->title - 1] = 0;
    return 1;
}
