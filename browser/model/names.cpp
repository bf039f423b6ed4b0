// Extension and name rules of the browser, in one place: the extension of a
// name and its replacement, valid names, and the lookups of an extension in
// the image-kind table (enabled kinds, or every available kind for the
// settings) and in the text-file list (see names.h).
#include "browser/model/names.h"
#include "browser/model/image_kinds.h"
#include "files/files.h"
#include <cstring>

const char* file_ext_of(const char* path) { return mb_strrchr(file_name_of(path), '.'); }

bool replace_extension(char* path, size_t cap, const char* ext)
{
    char* dot = const_cast<char*>(file_ext_of(path));
    size_t keep = dot ? static_cast<size_t>(dot - path) : strlen(path);
    if (keep + strlen(ext) >= cap) return false;
    memcpy(path + keep, ext, strlen(ext) + 1);
    return true;
}

bool append_suffix(char* path, size_t cap, const char* suffix)
{
    remove_backslash(path);
    size_t n = strlen(path), m = strlen(suffix);
    if (n >= m) {
        const char* tail = path + (n - m);
        const char* p = path;
        while (p < tail) p = mb_next(p);
        if (p == tail && text_equal_ci(tail, suffix)) return true;
    }
    return text_append(path, cap, suffix);
}

int is_valid_name(const char* name)
{
    for (const char* c = "*?<>\\"; *c; c++)
        if (mb_strchr(name, *c)) return 0;
    return 1;
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

int image_kind_of_path(const char* path) { return image_kind_of_ext(file_ext_of(path)); }

int image_kind_of_ext2(const char* ext, int kind)
{
    if (!ext || kind < 0 || kind >= IMAGE_KIND_COUNT) return 0;
    int i = find_in_string_table(ext, image_ext_table);
    if (!i || image_ext_kind[i - 1] != kind) return 0;
    if (is_plugin_kind(kind) && !plugin_reads_kind(kind)) return 0;
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
    bool fits = mb_strstr(list, ". ") ? text_copy(l.text, list) : text_format(l.text, sizeof l.text, ". %s", list);
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

int is_text_name(const char* name) { return find_in_string_table(file_ext_of(name), text_ext_list.ext); }

// The mark's position in the path: the last dot of the file name without its
// extension, when two characters ".r", ".l" or ".i" run from it to the extension.
static char* rotation_mark_of(char* path)
{
    char* name = file_name_of(path);
    if (char* colon = mb_strrchr(name, ':')) name = colon + 1;
    char* ext = mb_strrchr(name, '.');
    if (!ext) return nullptr;
    char* mark = nullptr;
    for (char* p = name; p < ext; p = const_cast<char*>(mb_next(p)))
        if (*p == '.') mark = p;
    if (!mark || ext - mark != 2) return nullptr;
    char c = static_cast<char>(mark[1] | 0x20);
    return c == 'r' || c == 'l' || c == 'i' ? mark : nullptr;
}

int rotation_from_name(const char* path)
{
    char copy[PATH_BUF];
    if (!text_copy(copy, path)) return 0;
    const char* mark = rotation_mark_of(copy);
    if (!mark) return 0;
    char c = static_cast<char>(mark[1] | 0x20);
    return c == 'r' ? -1 : c == 'l' ? 1 : 2;
}

char strip_rotation_mark(char* path)
{
    char* mark = rotation_mark_of(path);
    if (!mark) return 0;
    char letter = static_cast<char>(mark[1] | 0x20);
    memmove(mark, mark + 2, strlen(mark + 2) + 1);
    return letter;
}

bool insert_rotation_mark(char* path, size_t cap, char letter)
{
    char* ext = const_cast<char*>(file_ext_of(path));
    size_t n = strlen(path);
    if (!ext || !letter) return letter == 0;
    if (n + 3 > cap) return false;
    memmove(ext + 2, ext, strlen(ext) + 1);
    ext[0] = '.';
    ext[1] = letter;
    return true;
}
