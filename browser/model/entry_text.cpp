// Text forms of list entries: times, sizes, counts and the name line with a
// shortcut's or archive's target. The name line is bounded by its caller's
// buffer: a line that does not fit is refused, never cut.
#include "browser/model/file_kind.h"
#include "browser/model/browser_list.h"
#include "files/files.h"
#include <cstring>

enum { ENTRY_TEXT_BUF = 512 };

const char* format_file_time(const file_kind_base* r, int style)
{
    static char text[ENTRY_TEXT_BUF];
    FILETIME utc = {static_cast<DWORD>(r->write_time), static_cast<DWORD>(r->write_time >> 32)};
    FILETIME local;
    SYSTEMTIME t = {};
    if (FileTimeToLocalFileTime(&utc, &local)) FileTimeToSystemTime(&local, &t);
    switch (style) {
    case 1: text_format(text, sizeof text, "%02d %02d %02d", t.wYear % 100, t.wMonth, t.wDay); break;
    case 2: text_format(text, sizeof text, "%02d:%02d", t.wHour, t.wMinute); break;
    case 3:
        text_format(text, sizeof text, "%02d %02d %02d %02d:%02d", t.wYear % 100, t.wMonth, t.wDay, t.wHour, t.wMinute);
        break;
    case 4:
        text_format(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                    t.wSecond);
        break;
    default: break;
    }
    return text;
}

const char* format_image_size(const file_kind_base* r, int with_resolution)
{
    static char text[ENTRY_TEXT_BUF];
    text[0] = 0;
    const folder_summary_record& s = r->summary;
    if (!r->plain) {
        if (browser_list.countfile == 0) return text;
        if (s.incomplete) {
            text_format(text, sizeof text, ">%s", format_size(s.total_bytes));
        } else {
            text_copy(text, format_size(s.total_bytes));
            if (s.compressed && s.total_bytes > 0)
                text_append_format(text, sizeof text, "[%.0f%%]", 100.0 * s.total_disk / s.total_bytes);
        }
        return text;
    }
    const char* size = format_size(r->file_size);
    if (r->image_kind) {
        if (with_resolution && r->xres > 0 && r->yres > 0)
            text_format(text, sizeof text, "%d*%d pixel, %d*%d mm, %d*%d dpi, %s", r->width, r->height,
                        static_cast<int>(r->width * 25.4 / r->xres), static_cast<int>(r->height * 25.4 / r->yres),
                        r->xres, r->yres, size);
        else
            text_format(text, sizeof text, "%d*%d %s", r->width, r->height, size);
    } else if (r->archive) {
        text_format(text, sizeof text, "%s(%.0f%%)", format_size(s.total_bytes), s.scale * 100.0);
    } else {
        text_copy(text, size);
    }
    if (r->size_on_disk > 0 && r->file_size > 0)
        text_append_format(text, sizeof text, "[%.0lf%%]", 100.0 * r->size_on_disk / r->file_size);
    return text;
}

const char* format_archive_count(const file_kind_base* r)
{
    static char text[64];
    text[0] = 0;
    if (browser_list.countfile == 0) return text;
    const folder_summary_record& s = r->summary;
    if (s.incomplete) {
        if (s.image_count + s.other_count > 0)
            text_format(text, sizeof text, ">%.0d+%.0d", s.image_count, s.other_count);
    } else {
        text_format(text, sizeof text, "%.0d+%.0d", s.image_count, s.other_count);
    }
    return text;
}

static int shortcut_line(const file_kind* r, const char* name, char* out, size_t cap)
{
    const file_kind_base* t = r->target();
    if (t == r) return text_copy(out, cap, name);
    const link_kind* l = r->link;
    if (l->drive_root) return text_format(out, cap, "%s→%s", name, l->target_path);
    if (l->plain) {
        if (l->shortcut) return text_copy(out, cap, name);
        return text_format(out, cap, "%s→%s", name, l->target_path);
    }
    if (l->wildcard) return text_format(out, cap, "%s→%s", name, l->target_path);
    size_t n = strlen(l->target_path);
    const char* rest = strncmp(l->first_file, l->target_path, n) == 0 ? l->first_file + n : l->first_file;
    if (*rest == '\\') rest++;
    return text_format(out, cap, "%s→%s｜%s", name, l->target_path, rest);
}

int format_name_with_target(const file_kind* r, char* out, size_t cap)
{
    char name[PATH_BUF];
    if (!r->stored_name || !r->name(name)) {
        out[0] = 0;
        return 0;
    }
    if (r->drive_root) return text_copy(out, cap, r->stored_name);
    if (!r->plain) {
        if (r->wildcard) return text_copy(out, cap, name);
        const char* rest = r->stored_name + strlen(name);
        if (*rest == '\\') rest++;
        return text_format(out, cap, "%s｜%s", name, rest);
    }
    if (r->archive && r->info) return text_format(out, cap, "%s｜%s", name, r->info->member);
    if (r->shortcut && r->link) return shortcut_line(r, name, out, cap);
    return text_copy(out, cap, name);
}
