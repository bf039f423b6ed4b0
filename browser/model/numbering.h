// Number prefixes ("12)name") that fix the display order of a folder, the
// plan that numbers a list (an image and its comment text file share one
// number), and the renames built on it: adding, stripping and renumbering
// prefixes, and the batch rename by a pattern with running numbers. Every
// rename runs in two passes over temporary names, so no new name meets an
// old one.
#pragma once
#include <windows.h>
#include <cstddef>
#include <vector>

// Bytes of the prefix text (the digits and the ")"), 0 when the name has none.
int number_prefix_length(const char* name);
// The prefix's value (at most 999,999,999), 0 when none.
int number_prefix_value(const char* name);
// The name after its prefix (the whole name when none).
const char* name_without_prefix(const char* name);
// 1 when the shown folder's names are numbered in order (browser_list).
int number_order_on();
// The name for drawing: without its prefix while the folder is in number
// order. 1 when it fit.
int display_name_without_prefix(const char* name, char* out, size_t cap);
// For a comment text file, the index of the image it belongs to; -1 when none.
int comment_partner_of(char* const* names, int count, int index);

struct rename_plan {
    std::vector<int> number;       // running number of each name; -1 before assignment
    std::vector<char> is_partner;  // a comment file that belongs to an image of the list
    std::vector<int> partner;      // the partner's index (itself when none)
    int next_number;               // the first number not given
    int count;
};
// Numbers the names in list order from first (see numbering.cpp).
void rename_plan_alloc(rename_plan* plan, char* const* names, int count, int first);
void rename_plan_free(rename_plan* plan);
// Every marked entry's partner becomes marked too.
void rename_plan_mark_partners(const rename_plan* plan, unsigned char* marks);
// Decimal digits of the largest number the plan gave (1 to 10).
int rename_plan_digits(const rename_plan* plan);
// 1 when the first name's prefix is 1 and every prefix equals its plan number.
int names_numbered_in_order(char* const* names, int count);
// 1 when stripping would give two equal names or a name beginning with ".".
int prefix_strip_clashes(char* const* names, int count);

// 1 when a new last path component is safe to create in the folder: not
// empty, none of * ? < > \ / : | " or control characters, no leading blank,
// no trailing blank or dot, and no leading "." unless a double-byte character.
int is_safe_new_name(const char* name);

// The three forms of an entry's name during a rename.
enum { NAME_PRESENT = 0, NAME_TEMPORARY = 1, NAME_TARGET = 2 };
// What the target is: the pattern's, "number)" and the name without its old
// prefix, or the name without its prefix.
enum { TARGET_PATTERN = 0, TARGET_NUMBERED = 1, TARGET_STRIPPED = 2 };
struct rename_request {
    char* const* names;  // the list
    int count;
    const rename_plan* plan;
    int digits;
    int form;
    const char* pattern;  // TARGET_PATTERN: "#" the number, "*" the old name
    int change_prefix;    // 0: an old number prefix stays in front
};
