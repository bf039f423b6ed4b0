// Number prefixes and the rename plan (see numbering.h). A prefix is a run of
// single-byte digits closed by ")" at the start of a name; the plan gives
// every name of a list a running number, and a comment text file the number
// of its image, so the two stay side by side in number order.
#include "browser/model/numbering.h"
#include "browser/model/comment_files.h"
#include "browser/model/names.h"
#include "browser/model/browser_list.h"
#include "files/files.h"
#include <cstring>

int number_prefix_length(const char* name)
{
    const char* p = name;
    while (*p >= '0' && *p <= '9') p++;
    if (p == name || *p != ')') return 0;  // ")x" and "1a)x" carry no prefix
    return static_cast<int>(p - name) + 1;
}

int number_prefix_value(const char* name)
{
    int n = number_prefix_length(name);
    long long v = 0;
    for (int i = 0; i < n - 1; i++) {
        v = v * 10 + (name[i] - '0');
        if (v > 999999999) return 999999999;  // a longer prefix orders last
    }
    return static_cast<int>(v);
}

const char* name_without_prefix(const char* name) { return name + number_prefix_length(name); }

// Asked for every cell drawn, and the answer walks the whole list: it is kept
// while the list and its reload counter stay the same (a change of the names
// always comes with a reload).
int number_order_on()
{
    static struct {
        char** names;
        int count, reload, answer;
        bool known;
    } kept;
    const browser_list_record& l = browser_list;
    if (!kept.known || kept.names != l.names || kept.count != l.count || kept.reload != l.reload_counter) {
        kept = {l.names, l.count, l.reload_counter, names_numbered_in_order(l.names, l.count), true};
    }
    return kept.answer;
}

int display_name_without_prefix(const char* name, char* out, size_t cap)
{
    return text_copy(out, cap, number_order_on() ? name_without_prefix(name) : name);
}

// The name of the image beside which a ".txt" name would be its comment.
static bool same_stem(const char* text_name, const char* image)
{
    const char* dot = mb_strrchr(file_name_of(image), '.');
    if (!dot || !image_kind_of_path(image)) return false;
    size_t stem = static_cast<size_t>(dot - image);
    char cut[PATH_BUF];
    if (!text_copy_n(cut, sizeof cut, image, stem) || !text_append(cut, ".txt")) return false;
    return text_equal_ci(cut, text_name) != 0;
}

int comment_partner_of(char* const* names, int count, int index)
{
    if (!has_extension(names[index], ".txt")) return -1;
    for (int j = 0; j < count; j++)
        if (j != index && same_stem(names[index], names[j])) return j;
    return -1;
}

void rename_plan_alloc(rename_plan* plan, char* const* names, int count, int first)
{
    plan->count = count;
    plan->next_number = first;
    plan->number.assign(count, -1);
    plan->is_partner.assign(count, 0);
    plan->partner.resize(count);
    for (int i = 0; i < count; i++) plan->partner[i] = i;
    for (int i = 0; i < count; i++) {
        int j = comment_partner_of(names, count, i);
        if (j >= 0) {
            plan->is_partner[i] = 1;
            if (plan->number[j] < 0) plan->number[j] = plan->next_number++;
            plan->number[i] = plan->number[j];
            plan->partner[i] = j;
            plan->partner[j] = i;
        } else if (plan->number[i] < 0) {
            plan->number[i] = plan->next_number++;
        }
    }
}

void rename_plan_free(rename_plan* plan)
{
    plan->number.clear();
    plan->is_partner.clear();
    plan->partner.clear();
    plan->count = plan->next_number = 0;
}

void rename_plan_mark_partners(const rename_plan* plan, unsigned char* marks)
{
    for (int pass = 0; pass < 2; pass++)  // image to comment and comment to image
        for (int i = 0; i < plan->count; i++)
            if (marks[i]) marks[plan->partner[i]] = 1;
}

int rename_plan_digits(const rename_plan* plan)
{
    long long largest = plan->next_number - 1;
    int digits = 1;
    for (long long v = largest; v >= 10 && digits < 10; v /= 10) digits++;
    return digits;
}

int names_numbered_in_order(char* const* names, int count)
{
    if (count <= 0 || number_prefix_value(names[0]) != 1) return 0;
    rename_plan plan;
    rename_plan_alloc(&plan, names, count, 1);
    for (int i = 0; i < count; i++)
        if (number_prefix_value(file_name_of(names[i])) != plan.number[i]) return 0;
    return 1;
}

int prefix_strip_clashes(char* const* names, int count)
{
    for (int i = 0; i < count; i++) {
        const char* a = name_without_prefix(file_name_of(names[i]));
        if (*a == 0 || *a == '.') return 1;
        for (int j = 0; j < i; j++)
            if (text_equal_ci(a, name_without_prefix(file_name_of(names[j])))) return 1;
    }
    return 0;
}

int is_safe_new_name(const char* name)
{
    if (!name || !*name || *name == ' ') return 0;
    if (*name == '.') return 0;
    const char* last = mb_last(name);
    if (!mb_is_lead(static_cast<unsigned char>(*last)) && (*last == ' ' || *last == '.')) return 0;
    for (const char* p = name; *p; p = mb_next(p)) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (mb_is_lead(c)) continue;
        if (c < 0x20 || c == 0x7F || std::strchr("*?<>\\/:|\"", c)) return 0;
    }
    return is_valid_name(name);
}
