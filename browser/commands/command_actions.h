// The actions of the command table (private to the dispatcher's files).
#pragma once
#include "browser/commands/commands.h"
#include "browser/operations/entry_ops.h"

#define COMMAND_ACTION(name) void name(const command_call& c)

// Application and navigation.
COMMAND_ACTION(act_quit_all);
COMMAND_ACTION(act_version);
COMMAND_ACTION(act_uninstall);
COMMAND_ACTION(act_open_dialog);
COMMAND_ACTION(act_jump);
COMMAND_ACTION(act_drive_popup);
COMMAND_ACTION(act_subfolder_popup);
COMMAND_ACTION(act_new_window);
COMMAND_ACTION(act_new_window_drive);
COMMAND_ACTION(act_explorer);
COMMAND_ACTION(act_new_entry);
COMMAND_ACTION(act_parent);
COMMAND_ACTION(act_special_folder);
COMMAND_ACTION(act_drive_list);
COMMAND_ACTION(act_root);
COMMAND_ACTION(act_history);
COMMAND_ACTION(act_paste);
COMMAND_ACTION(act_expand_all);
COMMAND_ACTION(act_expand_one);
COMMAND_ACTION(act_collapse_one);
// Display.
COMMAND_ACTION(act_folders_first);
COMMAND_ACTION(act_sort);
COMMAND_ACTION(act_sort_direction);
COMMAND_ACTION(act_size_dialog);
COMMAND_ACTION(act_columns);
COMMAND_ACTION(act_more_columns);
COMMAND_ACTION(act_fewer_columns);
COMMAND_ACTION(act_thumb_size);
COMMAND_ACTION(act_fit_window);
COMMAND_ACTION(act_cache_settings);
COMMAND_ACTION(act_cache_clear);
COMMAND_ACTION(act_drive_cache_make);
COMMAND_ACTION(act_cdr);
COMMAND_ACTION(act_drive_cache_delete);
COMMAND_ACTION(act_drive_cache_copy);
COMMAND_ACTION(act_settings_save);
COMMAND_ACTION(act_settings_initial);
COMMAND_ACTION(act_settings_load);
COMMAND_ACTION(act_settings_global_save);
COMMAND_ACTION(act_settings_global_reset);
COMMAND_ACTION(act_columns_saved);
COMMAND_ACTION(act_toggle_images_only);
COMMAND_ACTION(act_toggle_text_files);
COMMAND_ACTION(act_toggle_hidden);
COMMAND_ACTION(act_date_mode);
COMMAND_ACTION(act_options);
COMMAND_ACTION(act_interval);
COMMAND_ACTION(act_toggle_nonstop);
COMMAND_ACTION(act_toggle_square);
COMMAND_ACTION(act_zoom);
COMMAND_ACTION(act_interval_dialog);
COMMAND_ACTION(act_scanner);
// Entries.
COMMAND_ACTION(act_pointer_key);
COMMAND_ACTION(act_pointer_name);
COMMAND_ACTION(act_next_page);
COMMAND_ACTION(act_previous_page);
COMMAND_ACTION(act_first_page);
COMMAND_ACTION(act_last_page);
COMMAND_ACTION(act_next_selected);
COMMAND_ACTION(act_previous_selected);
COMMAND_ACTION(act_batch_rename);
COMMAND_ACTION(act_number_prefixes);
COMMAND_ACTION(act_password);
COMMAND_ACTION(act_print);
COMMAND_ACTION(act_reload);
COMMAND_ACTION(act_count_files);
COMMAND_ACTION(act_selection);
COMMAND_ACTION(act_leave_slide);
COMMAND_ACTION(act_screen_saver);
COMMAND_ACTION(act_slide_show);
COMMAND_ACTION(act_selected_slide_show);
COMMAND_ACTION(act_copy_files);
COMMAND_ACTION(act_cut_files);
COMMAND_ACTION(act_delete_files);
COMMAND_ACTION(act_search);
COMMAND_ACTION(act_folder_from_file);
COMMAND_ACTION(act_dissolve_folder);
COMMAND_ACTION(act_rename_to_first);
COMMAND_ACTION(act_move_into);
COMMAND_ACTION(act_comment_file);
COMMAND_ACTION(act_extract);
COMMAND_ACTION(act_sfx);
COMMAND_ACTION(act_pack);
COMMAND_ACTION(act_split_pages);
COMMAND_ACTION(act_save_as);
COMMAND_ACTION(act_count_colours);
COMMAND_ACTION(act_rename);
COMMAND_ACTION(act_layer);
COMMAND_ACTION(act_edit_time);
COMMAND_ACTION(act_edit_text);
COMMAND_ACTION(act_shell_verb);
COMMAND_ACTION(act_send_to);
COMMAND_ACTION(act_copy_full);
COMMAND_ACTION(act_copy_shown);
COMMAND_ACTION(act_view_one);
COMMAND_ACTION(act_view_full);
COMMAND_ACTION(act_toggle_mark);
COMMAND_ACTION(act_select_range);
COMMAND_ACTION(act_rotate);

// Helpers shared by the actions.
int first_shown_index();
void reload_at_first_shown();
void reload_on_name(const char* name);
void pack_archive_again();
// The index of the entry listed under name (its path or its file name), or -1.
int find_entry_by_name(const char* name);
// Entry i of the jump table the drive and tree menus filled last, or null.
const char* jump_entry(int i);
int drive_cache_commands_allowed();
