// Comment text files beside images (see comment_files.h).
#include "browser/model/comment_files.h"
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <cstdio>
#include <cstring>

int comment_file_name(const char* entry, char* out)
{
    char name[PATH_BUF];
    if (!text_copy(name, entry) || !replace_extension(name, sizeof name, ".txt")) {
        out[0] = 0;
        return 0;
    }
    return full_path(out, PATH_BUF, name) ? 1 : 0;
}

static int comment_exists(const char* entry, char* comment)
{
    return comment_file_name(entry, comment) && path_exists(comment, 0);
}

int create_comment_file(const char* entry)
{
    char comment[PATH_BUF];
    if (!comment_file_name(entry, comment) || path_exists(comment, 0)) return 0;
    c_file f(fopen(comment, "w"));
    if (!f.get()) return 0;
    fputs("\n", f.get());
    return 1;
}

// Cuts a line into pieces no wider than width, whole characters only; every
// piece holds at least one character.
static void wrap_line(const char* line, HDC dc, int width, std::vector<std::string>& out)
{
    const char* start = line;
    do {
        const char* end = mb_next(start);
        while (*end) {
            const char* next = mb_next(end);
            SIZE size = {0, 0};
            GetTextExtentPoint32A(dc, start, static_cast<int>(next - start), &size);
            if (size.cx > width) break;
            end = next;
        }
        out.emplace_back(start, end - start);
        start = end;
    } while (*start);
}

std::vector<std::string> read_comment_lines(const char* entry, HDC dc, int width)
{
    std::vector<std::string> lines;
    char comment[PATH_BUF];
    if (!image_kind_of_path(entry) || !comment_exists(entry, comment)) return lines;
    c_file f(fopen(comment, "r"));
    if (!f.get()) return lines;
    // Without a context: the browser page's recording context, whose units are
    // twentieths of a pixel, with the page's font.
    measuring_dc page_dc(dc ? 0 : 1);
    HDC measure = dc ? dc : page_dc.get();
    char line[1024];
    while (fgets(line, sizeof line, f.get())) {
        trim_right(line);
        if (!line[0] || !measure)
            lines.emplace_back(line);
        else
            wrap_line(line, measure, width, lines);
    }
    return lines;
}

int comment_file_selected(const char* image, const unsigned char* marks, char* const* names, int count)
{
    char comment[PATH_BUF], other[PATH_BUF];
    if (!image_kind_of_path(image) || !comment_exists(image, comment)) return 0;
    for (int i = 0; i < count; i++)
        if (marks[i] && names[i] && full_path(other, sizeof other, names[i]) && text_equal_ci(other, comment)) return 1;
    return 0;
}

int move_comment_with_entry(const char* old_entry, const char* new_entry)
{
    char from[PATH_BUF], to[PATH_BUF];
    if (!comment_exists(old_entry, from) || !comment_file_name(new_entry, to)) return 0;
    return mv_file(from, to);
}

int is_comment_text(const char* name)
{
    if (!has_extension(name, ".txt")) return 0;
    char path[PATH_BUF];
    for (int i = 0; i < IMAGE_EXT_COUNT; i++) {
        if (!image_kind_enabled[image_ext_kind[i]]) continue;
        if (text_copy(path, name) && replace_extension(path, sizeof path, image_ext_table[i]) && path_exists(path, 0))
            return 1;
    }
    return 0;
}
