// The settings record's file format: its keys in file order, the defaults of
// the options kept in browser_list.settings, the comparison, the ranges a
// file may give, and the zote.ini writer and reader.
#include "browser/model/settings.h"
#include "browser/model/image_kinds.h"
#include "browser/model/names.h"
#include "base/cptext.h"
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

enum field_type { F_INT, F_DOUBLE, F_TEXT };
struct settings_field {
    const char* key;
    field_type type;
    size_t offset;
    size_t size;    // text fields: the buffer
    int low, high;  // integer fields: the range a file may give
};

#define INT_FIELD(key, member, low, high)                           \
    {                                                               \
        key, F_INT, offsetof(settings_record, member), 0, low, high \
    }
#define ANY_INT(key, member) INT_FIELD(key, member, INT_MIN, INT_MAX)
#define TEXT_FIELD(key, member)                                                               \
    {                                                                                         \
        key, F_TEXT, offsetof(settings_record, member), sizeof(settings_record::member), 0, 0 \
    }

// Window coordinates a file may give: a minimised window reads -32000.
enum { COORD_LOW = -32000, COORD_HIGH = 32767 };

// Every written field in file order; the kinds follow.
static const settings_field fields[] = {
    INT_FIELD("left", left, COORD_LOW, COORD_HIGH),
    INT_FIELD("top", top, COORD_LOW, COORD_HIGH),
    INT_FIELD("right", right, COORD_LOW, COORD_HIGH),
    INT_FIELD("bottom", bottom, COORD_LOW, COORD_HIGH),
    INT_FIELD("w", w, MIN_THUMB_SIZE, MAX_THUMB_SIZE),
    ANY_INT("time", time),
    ANY_INT("timetrans", timetrans),
    ANY_INT("curstop", curstop),
    INT_FIELD("use_lzh[0]", use_lzh[0], -1, 1),
    INT_FIELD("use_lzh[1]", use_lzh[1], -1, 1),
    INT_FIELD("use_lzh[2]", use_lzh[2], -1, 1),
    INT_FIELD("use_lzh[3]", use_lzh[3], -1, 1),
    INT_FIELD("countfile", countfile, -1, 1),
    INT_FIELD("countfile_limit", countfile_limit, 11, INT_MAX),
    ANY_INT("startfolder", startfolder),
    ANY_INT("picext", picext),
    ANY_INT("fldfirst", fldfirst),
    ANY_INT("checkdisp", checkdisp),
    INT_FIELD("cache_size", cache_size, 0, INT_MAX / 1000000),
    {"cachemag", F_DOUBLE, offsetof(settings_record, cachemag), 0, 0, 0},
    TEXT_FIELD("cachepath", cachepath),
    INT_FIELD("interval", interval, 1, 600),
    ANY_INT("nonstop", nonstop),
    ANY_INT("square", square),
    ANY_INT("all", all),
    ANY_INT("textpic", textpic),
    ANY_INT("hidden", hidden),
    ANY_INT("txticon", txticon),
    ANY_INT("txtcont", txtcont),
    TEXT_FIELD("txtext", txtext),
    ANY_INT("tbcolor", tbcolor),
    ANY_INT("bkcolor", bkcolor),
    ANY_INT("selcolor", selcolor),
    ANY_INT("filecolor", filecolor),
    ANY_INT("linkcolor", linkcolor),
    ANY_INT("syscolor", syscolor),
    ANY_INT("datecolor", datecolor),
    ANY_INT("outcolor", outcolor),
    ANY_INT("txtcolor", txtcolor),
    ANY_INT("sldbkcolor", sldbkcolor),
    ANY_INT("sldtxtcolor", sldtxtcolor),
};
enum { FIELD_COUNT = sizeof fields / sizeof fields[0] };
static_assert(FIELD_COUNT == 41, "every written field but the kinds");

// The cache ratio a file may give; anything else (negative, not a number) is 0.
static const double CACHEMAG_HIGH = 1000.0;

static int* int_at(settings_record* r, size_t offset)
{
    return reinterpret_cast<int*>(reinterpret_cast<char*>(r) + offset);
}
static char* text_at(settings_record* r, size_t offset) { return reinterpret_cast<char*>(r) + offset; }

void settings_defaults(settings_record* live)
{
    memset(live, 0, sizeof *live);
    live->all = live->textpic = live->txticon = live->txtcont = 1;
    text_copy(live->txtext, default_text_extensions);
    live->sldbkcolor = 0x000000;
    live->sldtxtcolor = 0x808080;
}

int settings_equal(const settings_record* a, const settings_record* b) { return memcmp(a, b, sizeof *a) == 0 ? 1 : 0; }

void clamp_settings(settings_record* r)
{
    for (const settings_field& f : fields) {
        if (f.type != F_INT) continue;
        int* v = int_at(r, f.offset);
        if (*v < f.low) *v = f.low;
        if (*v > f.high) *v = f.high;
    }
    if (r->right < r->left) r->right = r->left;
    if (r->bottom < r->top) r->bottom = r->top;
    if (!(r->cachemag >= 0.0)) r->cachemag = 0.0;  // negative or not a number
    if (r->cachemag > CACHEMAG_HIGH) r->cachemag = CACHEMAG_HIGH;
    for (int& k : r->kinds) k = k ? 1 : 0;
}

// Files are written whole: a line that cannot be written fails the file.
int write_settings_file(const char* path, settings_record r)
{
    DeleteFileA(path);
    FILE* f = fopen(path, "w");
    if (!f) return 0;
    bool ok = true;
    for (const settings_field& fd : fields) {
        switch (fd.type) {
        case F_INT: ok = ok && fprintf(f, "%s=%d\n", fd.key, *int_at(&r, fd.offset)) > 0; break;
        case F_DOUBLE: ok = ok && fprintf(f, "%s=%lf\n", fd.key, r.cachemag) > 0; break;
        case F_TEXT: ok = ok && fprintf(f, "%s=%s\n", fd.key, text_at(&r, fd.offset)) > 0; break;
        }
    }
    for (int k = 0; k < IMAGE_KIND_COUNT; k++) ok = ok && fprintf(f, "%s=%d\n", image_kind_keys[k], r.kinds[k]) > 0;
    ok = (fclose(f) == 0) && ok;
    return ok ? 1 : 0;
}

// The value behind "key=" when the line begins with it exactly.
static const char* value_of(const char* line, const char* key)
{
    size_t n = strlen(key);
    return strncmp(line, key, n) == 0 && line[n] == '=' ? line + n + 1 : nullptr;
}

static void parse_line(settings_record* r, const char* line)
{
    for (const settings_field& f : fields) {
        const char* v = value_of(line, f.key);
        if (!v) continue;
        switch (f.type) {
        case F_INT: *int_at(r, f.offset) = atoi(v); break;
        case F_DOUBLE: r->cachemag = atof(v); break;
        case F_TEXT: {
            // A value that does not fit is refused whole: a cut path names another folder.
            char* text = text_at(r, f.offset);
            char fitted[SETTINGS_PATH_BUF];
            if (text_copy(fitted, f.size, v)) {
                memset(text, 0, f.size);
                text_copy(text, f.size, fitted);
            }
            break;
        }
        }
        return;
    }
    for (int k = 0; k < IMAGE_KIND_COUNT; k++) {
        const char* v = value_of(line, image_kind_keys[k]);
        if (v) {
            r->kinds[k] = atoi(v);
            return;
        }
    }
}

// Lines are read at full length, however long; a line longer than the
// buffer is skipped whole, so its tail is never read as a line of its own.
// As the program always wrote a line end, a last line without one (the read
// reaches the end of the file) is not taken.
enum { SETTINGS_LINE_BUF = 1024 };

int parse_settings_file(settings_record* r, FILE* f)
{
    char line[SETTINGS_LINE_BUF];
    bool skipping = false;
    while (fgets(line, sizeof line, f) && !feof(f)) {
        char* lf = strchr(line, '\n');
        bool whole = lf != nullptr;
        if (skipping || !whole) {
            skipping = !whole;
            continue;
        }
        *lf = 0;
        line[strcspn(line, "\r")] = 0;
        parse_line(r, line);
    }
    fclose(f);
    clamp_settings(r);
    return 1;
}
