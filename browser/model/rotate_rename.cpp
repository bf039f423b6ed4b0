// Turning a picture by renaming it: the mark ".r", ".l" or ".i" before the
// extension says how every loader turns the picture, so a rotation never
// touches the pixels. The comment file beside the image moves along.
#include "browser/model/rotate_rename.h"
#include "browser/model/comment_files.h"
#include "browser/model/names.h"
#include "files/files.h"

// Quarter turns counter-clockwise of each mark, and the mark of each count.
static int turns_of(char letter) { return letter == 'r' ? 3 : letter == 'l' ? 1 : letter == 'i' ? 2 : 0; }
static const char mark_of_turns[4] = {0, 'l', 'i', 'r'};

int rotated_name(const char* path, int turn, char* out, size_t cap)
{
    if (!text_copy(out, cap, path)) return 0;
    int turns = (turns_of(strip_rotation_mark(out)) + turn) % 4;
    if (turns < 0) turns += 4;
    return insert_rotation_mark(out, cap, mark_of_turns[turns]) ? 1 : 0;
}

int rotate_by_rename(const char* path, int turn)
{
    if (!image_kind_of_path(path)) return 0;
    char to[PATH_BUF];
    if (!rotated_name(path, turn, to, sizeof to) || text_equal_ci(to, path)) return 0;
    if (!mv_file(path, to)) return 0;
    move_comment_with_entry(path, to);
    return 1;
}
