#include "console/archive_commands.h"
int lha_test_callback(walk_item*) { return 1; }
void lha_test_tree(const char*, const char*) {}
void sync_folder_with_archive(const char*) {}
int pack_folder(const char*) { return 1; }
void pack_tree(const char*) {}
void pack_subfolders(const char*) {}
int unpack_archive(const char*) { return 0; }
int unpack_callback(walk_item*) { return 1; }
void unpack_tree(const char*) {}
void make_sfx_from_lzh(const char*) {}
void view_archive(const char*) {}
int enum_shellnew_keys(HKEY, const char*, const char*, HKEY*) { return 0; }
void clean_shellnew() {}
