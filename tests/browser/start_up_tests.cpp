// The program's start-up joins every slot. Every field of every record of
// function pointers, and every loose one, is listed here with what the
// started program must hold in it; each record's list is tied to the
// record's size at compile time, so a field added later stops the build until
// it is listed, and tools/check_slots.sh finds every record and loose slot
// a header declares in this list. In a fresh process the installers app_main
// runs, in its order, must give every slot filled at start-up a real action
// in place of what it held before; the seams whose first value is the real
// action must hold one, and the steps only tests plug in must stay empty.
#include "app/start_up.h"
#include "browser/commands/image_plugins.h"
#include "browser/commands/settings.h"
#include "browser/grid/list_view.h"
#include "browser/model/browser_list.h"
#include "browser/model/image_kinds.h"
#include "browser/model/seams.h"
#include "browser/operations/image_save.h"
#include "browser/viewer/viewer.h"
#include "console/script.h"  // the script run's seams are listed with every other slot
#include "graphics/kavtrel.h"
#include "kanji/internal.h"       // the converter's allocator is a slot too
#include "print/page_geometry.h"  // the page unit's resolution is a slot too
#include "print/preview.h"        // the preview's step is a slot only tests fill
#include "print/print_dialog.h"   // the print dialog's outside calls are slots
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

enum slot_rule {
    FILLED,     // start-up replaces its harmless default with the real action
    REAL,       // its first value is the real action; tests put stand-ins there
    TEST_ONLY,  // a step only tests plug in: empty in the program
};

struct slot {
    const char* name;
    const void* table;
    size_t offset, size;
    slot_rule rule;
};

#define FIELD(table, field, rule) \
    slot { #table "." #field, &table, offsetof(decltype(table), field), sizeof table.field, rule }
#define LOOSE(global, rule) \
    slot { #global, &global, 0, sizeof global, rule }

// The listed fields cover the record exactly: no field left out, none twice.
template <size_t N> constexpr bool covers(const slot (&fields)[N], size_t record_size)
{
    size_t sum = 0;
    for (size_t i = 0; i < N; i++) {
        sum += fields[i].size;
        for (size_t j = 0; j < i; j++)
            if (fields[j].offset == fields[i].offset) return false;
    }
    return sum == record_size;
}

constexpr slot image_formats[] = {
    FIELD(image_format_hooks, probe_jpeg, FILLED), FIELD(image_format_hooks, probe_png, FILLED),
    FIELD(image_format_hooks, probe_psd, FILLED),  FIELD(image_format_hooks, probe_pdf, FILLED),
    FIELD(image_format_hooks, probe_tiff, FILLED), FIELD(image_format_hooks, probe_plugin, FILLED),
    FIELD(image_format_hooks, load_jpeg, FILLED),  FIELD(image_format_hooks, load_psd, FILLED),
    FIELD(image_format_hooks, load_pdf, FILLED),   FIELD(image_format_hooks, load_png, FILLED),
    FIELD(image_format_hooks, load_tiff, FILLED),  FIELD(image_format_hooks, load_plugin, FILLED),
};
static_assert(covers(image_formats, sizeof image_format_hooks), "list every field of image_format_hooks");

// The library's logging answer "no" is the browser's own: only a script run logs.
constexpr slot console[] = {
    FIELD(console_hooks, printf_hook, FILLED),
    FIELD(console_hooks, getchar_hook, FILLED),
    FIELD(console_hooks, logging_on, REAL),
    FIELD(console_hooks, status_hook, FILLED),
};
static_assert(covers(console, sizeof console_hooks), "list every field of console_hooks");

constexpr slot application[] = {
    FIELD(app_hooks, window_hook, FILLED),
    FIELD(app_hooks, drop_hook, FILLED),
    FIELD(app_hooks, exit_hook, FILLED),
    FIELD(app_hooks, help_hook, FILLED),
};
static_assert(covers(application, sizeof app_hooks), "list every field of app_hooks");

constexpr slot seams[] = {
    FIELD(browser_seams, win_help, REAL),
    FIELD(browser_seams, print_selection, FILLED),
    FIELD(browser_seams, open_with, REAL),
};
static_assert(covers(seams, sizeof browser_seams), "list every field of browser_seams");

constexpr slot slide_clock[] = {FIELD(viewer_clock, now, REAL), FIELD(viewer_clock, sleep, REAL)};
static_assert(covers(slide_clock, sizeof viewer_clock), "list every field of viewer_clock");

constexpr slot scanner[] = {FIELD(scan_hooks, acquire, REAL)};
static_assert(covers(scanner, sizeof scan_hooks), "list every field of scan_hooks");

constexpr slot print_dialog[] = {
    FIELD(print_dialog_hooks, opened, TEST_ONLY),
    FIELD(print_dialog_hooks, open_preview, REAL),
    FIELD(print_dialog_hooks, load_dialog, REAL),
    FIELD(print_dialog_hooks, save_dialog, REAL),
};
static_assert(covers(print_dialog, sizeof print_dialog_hooks), "list every field of print_dialog_hooks");

constexpr slot script[] = {
    FIELD(script_seams, install_hooks, REAL),
    FIELD(script_seams, getline, REAL),
    FIELD(script_seams, console_visible, REAL),
    FIELD(script_seams, console_setup, REAL),
    FIELD(script_seams, console_title, REAL),
    FIELD(script_seams, reload, REAL),
    FIELD(script_seams, quit, REAL),
};
static_assert(covers(script, sizeof script_seams), "list every field of script_seams");

constexpr slot loose[] = {
    LOOSE(kavtrel_busy_query, FILLED),  LOOSE(kavtrel_busy_recover, FILLED), LOOSE(kavtrel_idle_hook, FILLED),
    LOOSE(scanner_unload_hook, FILLED), LOOSE(image_plugin_lookup, FILLED),  LOOSE(kavtrel_message_box, REAL),
    LOOSE(unkanj_allocate, REAL),       LOOSE(list_text_width, REAL),        LOOSE(colour_chooser, REAL),
    LOOSE(page_unit_dpi, REAL),         LOOSE(preview_step_hook, TEST_ONLY),
};

std::vector<slot> every_slot()
{
    std::vector<slot> all;
    auto add = [&](const slot* first, size_t n) { all.insert(all.end(), first, first + n); };
    add(image_formats, std::size(image_formats));
    add(console, std::size(console));
    add(application, std::size(application));
    add(seams, std::size(seams));
    add(slide_clock, std::size(slide_clock));
    add(scanner, std::size(scanner));
    add(print_dialog, std::size(print_dialog));
    add(script, std::size(script));
    add(loose, std::size(loose));
    return all;
}

std::string bytes_at(const slot& s) { return std::string(static_cast<const char*>(s.table) + s.offset, s.size); }
bool empty(const slot& s) { return bytes_at(s) == std::string(s.size, '\0'); }

}  // namespace

// Runs the start-up's installers as app_main does and prints every slot that
// does not hold what the started program needs, one a line.
ZOTE_CHILD(start_up_slots)
{
    std::vector<slot> slots = every_slot();
    std::vector<std::string> before;
    for (const slot& s : slots) before.push_back(bytes_at(s));
    install_image_format_hooks();
    install_image_plugins(nullptr);
    browser_list_init();
    install_program_hooks();
    install_drop_hook();
    for (size_t i = 0; i < slots.size(); i++) {
        const slot& s = slots[i];
        if (s.rule == FILLED && (bytes_at(s) == before[i] || empty(s))) printf("%s keeps its default\n", s.name);
        if (s.rule == REAL && empty(s)) printf("%s is empty\n", s.name);
        if (s.rule == TEST_ONLY && !empty(s)) printf("%s is filled\n", s.name);
    }
    fflush(stdout);
    return 0;
}

TEST(StartUp, EverySlotHoldsARealAction)
{
    bench::child_result r = bench::run_child("start_up_slots");
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_EQ(r.output, "") << "slots the started program leaves wrong";
}
