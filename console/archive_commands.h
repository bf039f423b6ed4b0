// The console's archive work: testing the LHA archives of a tree, keeping an
// archive and a folder in step, packing folders and unpacking archives in
// place, self-extracting archives, the archive viewer, and the removal of
// "ShellNew" registry keys. Everything goes through the `_lha` objects.
#pragma once
#include <windows.h>

struct walk_item;

int lha_test_callback(walk_item* item);
// lhtest: every ".lzh" of the folder's tree tested (prints the start and end lines).
void lha_test_tree(const char* word, const char* folder);
// lhup: "mode archive folder pattern".
void sync_folder_with_archive(const char* rest);
int pack_folder(const char* folder);
void pack_tree(const char* folder);
// packr: every subfolder of the folder packed.
void pack_subfolders(const char* folder);
int unpack_archive(const char* archive);
// unpackr: every ".lzh" file of the folder's tree unpacked beside itself.
void unpack_tree(const char* folder);
void make_sfx_from_lzh(const char* path);
void view_archive(const char* path);
int enum_shellnew_keys(HKEY key, const char* name, const char* target, HKEY* out);
void clean_shellnew();
