// The program's start-up joins every slot: in a fresh process, the
// installers app_main runs, in its order, give every slot of the browser's
// tables, of the window library's application and console hooks and of the
// image formats a real action in place of what it held before start-up. The
// few slots whose first value is already the real action are named apart.
#include "app/start_up.h"
#include "browser/caches/thumb_cache.h"
#include "browser/operations/batch_rename.h"
#include "browser/commands/image_plugins.h"
#include "browser/commands/commands.h"
#include "browser/model/browser_list.h"
#include "browser/model/seams.h"
#include "browser/model/paths.h"
#include "browser/model/start.h"
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct slot {
    const char* name;
    const void* table;
    size_t offset, size;
};
#define SLOT(table, field) \
    slot { #table "." #field, &table, offsetof(decltype(table), field), sizeof table.field }

// Every slot that start-up fills.
std::vector<slot> filled_slots()
{
    return {
        SLOT(image_format_hooks, probe_jpeg), SLOT(image_format_hooks, probe_png),
        SLOT(image_format_hooks, probe_psd),  SLOT(image_format_hooks, probe_pdf),
        SLOT(image_format_hooks, probe_tiff), SLOT(image_format_hooks, probe_plugin),
        SLOT(image_format_hooks, load_jpeg),  SLOT(image_format_hooks, load_psd),
        SLOT(image_format_hooks, load_pdf),   SLOT(image_format_hooks, load_png),
        SLOT(image_format_hooks, load_tiff),  SLOT(image_format_hooks, load_plugin),
        SLOT(console_hooks, printf_hook),     SLOT(console_hooks, getchar_hook),
        SLOT(console_hooks, status_hook),     SLOT(app_hooks, window_hook),
        SLOT(app_hooks, exit_hook),           SLOT(app_hooks, help_hook),
        SLOT(browser_seams, print_selection),
    };
}

// The slots whose first value is the real action: WinHelp itself behind its
// seam, and the association's program opened by the shell.
std::vector<slot> real_from_the_start() { return {SLOT(browser_seams, win_help), SLOT(browser_seams, open_with)}; }

std::string bytes_at(const slot& s) { return std::string(static_cast<const char*>(s.table) + s.offset, s.size); }

}  // namespace

// Runs the start-up's installers as app_main does and prints every slot that
// still holds what it held before, one a line.
ZOTE_CHILD(start_up_slots)
{
    std::vector<slot> slots = filled_slots();
    std::map<std::string, std::string> before;
    for (const slot& s : slots) before[s.name] = bytes_at(s);
    install_image_format_hooks();
    install_image_plugins(nullptr);
    browser_list_init();
    install_program_hooks();
    for (const slot& s : slots)
        if (bytes_at(s) == before[s.name]) printf("%s\n", s.name);
    for (const slot& s : real_from_the_start())
        if (bytes_at(s) == std::string(s.size, '\0')) printf("%s is empty\n", s.name);
    fflush(stdout);
    return 0;
}

TEST(StartUp, EverySlotHoldsARealAction)
{
    bench::child_result r = bench::run_child("start_up_slots");
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_EQ(r.output, "") << "slots start-up leaves as they were";
}
