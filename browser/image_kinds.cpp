// Image kinds by extension with their enable switches, and the text-file
// extension list (see image_kinds.h).
#include "browser/image_kinds.h"
#include "browser/paths.h"
#include "files/strings.h"
#include <cstring>

const char* const image_kind_keys[IMAGE_KIND_COUNT] = {
    "BMP", "CUR", "EMF", "GIF", "ICO", "JPG", "MAG", "PDD", "PDF",
    "PI", "PIC", "P2", "PNG", "PSD", "Q4", "TIF", "WMF",
};
const char* const image_ext_table[IMAGE_EXT_COUNT + 1] = {
    ".bmp", ".cur", ".emf", ".gif", ".ico", ".jpg", ".mag", ".pdd", ".pdf", ".pi",
    ".pic", ".p2", ".png", ".psd", ".q4", ".tif", ".wmf", ".jpeg", ".jpe", ".tiff", "",
};
const int image_ext_kind[IMAGE_EXT_COUNT] = {
    KIND_BMP, KIND_CUR, KIND_EMF, KIND_GIF, KIND_ICO, KIND_JPG, KIND_MAG, KIND_PDD, KIND_PDF, KIND_PI,
    KIND_PIC, KIND_P2, KIND_PNG, KIND_PSD, KIND_Q4, KIND_TIF, KIND_WMF, KIND_JPG, KIND_JPG, KIND_TIF,
};
int image_kind_enabled[IMAGE_KIND_COUNT] = { 1, 1, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 1, 1 };

static int no_plugin(const char*) { return 0; }
int (*image_plugin_lookup)(const char* file_name) = no_plugin;

int is_plugin_kind(int kind)
{
    return kind == KIND_MAG || kind == KIND_PI || kind == KIND_PIC || kind == KIND_P2 || kind == KIND_Q4;
}

static int plugin_answers(int kind)
{
    char name[16];
    text_format(name, sizeof name, "x%s", image_ext_table[kind]);   // the kind's first extension
    return image_plugin_lookup(name) ? 1 : 0;
}

void init_image_kinds()
{
    for (int k = 0; k < IMAGE_KIND_COUNT; k++)
        image_kind_enabled[k] = is_plugin_kind(k) ? plugin_answers(k) : 1;
}

int find_in_string_table(const char* text, const char* const* table)
{
    if (!text) text = ".";
    for (int i = 0; table[i] && table[i][0]; i++)
        if (text_equal_ci(text, table[i])) return i + 1;
    return 0;
}

int image_kind_of_ext(const char* ext)
{
    if (!ext) return 0;
    int i = find_in_string_table(ext, image_ext_table);
    if (!i) return 0;
    int kind = image_ext_kind[i - 1];
    return image_kind_enabled[kind] ? kind + 1 : 0;
}

int image_kind_of_path(const char* path)
{
    return image_kind_of_ext(file_ext_of(path));
}

int image_kind_of_ext2(const char* ext, int kind)
{
    if (!ext || kind < 0 || kind >= IMAGE_KIND_COUNT) return 0;
    int i = find_in_string_table(ext, image_ext_table);
    if (!i || image_ext_kind[i - 1] != kind) return 0;
    if (is_plugin_kind(kind) && !plugin_answers(kind)) return 0;
    return kind + 1;
}

text_ext_list_record text_ext_list;
const char default_text_extensions[] =
    ".bat .c .cc .cgi .cpp .dat .f .for .h .inf .ini .mac .myc .js .log .pl .tex .txt .vbs";

void parse_text_ext_list(const char* list)
{
    text_ext_list_record& l = text_ext_list;
    l.count = 0;
    l.ext[0] = "";
    if (!list) list = "";
    bool fits = mb_strstr(list, ". ") ? text_copy(l.text, list)
                                      : text_format(l.text, sizeof l.text, ". %s", list);
    if (!fits) return;
    char* p = l.text;
    while (l.count < TEXT_EXT_MAX) {
        p = mb_strchr(p, '.');
        if (!p) break;
        l.ext[l.count++] = p;
        char* blank = mb_strchr(p, ' ');
        if (!blank) break;
        *blank = 0;
        p = blank + 1;
    }
    l.ext[l.count] = "";
}

// The list holds its default from the start (the settings may replace it).
static const bool text_ext_list_ready = (parse_text_ext_list(default_text_extensions), true);

int is_text_name(const char* name)
{
    return find_in_string_table(file_ext_of(name), text_ext_list.ext);
}
