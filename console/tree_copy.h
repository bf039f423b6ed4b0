// The mirror copy of one folder tree onto another: files the source lacks are
// deleted from the target, new and changed files copied, and an older file
// over a newer one only after a question. Either side may be a shadow tree of
// 16-byte records standing for a network folder (console/fcopy.h).
#pragma once
#include <windows.h>

struct walk_item;

// The process-wide answer to the overwrite question: 'y' at start; 'a' and
// 'i' stop the asking.
extern char overwrite_answer;

// 1 when the copy ran; 0 when the source is missing or the files to copy do
// not fit on the target's drive (nothing is touched).
int walk_tree_copy(const char* source, const char* target, int use_source_shadow);
int compare_file_times(const FILETIME* a, const FILETIME* b);

int delete_missing_file(walk_item* item);
int remove_missing_folder(walk_item* item);
int copy_file_callback(walk_item* item);
int make_missing_folder(walk_item* item);
// Size accumulators.
int add_file_size(walk_item* item);
int add_shadow_size(walk_item* item);
// Their running total.
extern double tree_size_total;
