// The seventeen image kinds the browser recognises by extension, with their
// enable switches, and the list of extensions that mark text files.
#pragma once

enum {
    IMAGE_KIND_COUNT = 17, IMAGE_EXT_COUNT = 20,
    KIND_BMP = 0, KIND_CUR, KIND_EMF, KIND_GIF, KIND_ICO, KIND_JPG, KIND_MAG, KIND_PDD, KIND_PDF,
    KIND_PI, KIND_PIC, KIND_P2, KIND_PNG, KIND_PSD, KIND_Q4, KIND_TIF, KIND_WMF,
};

// Settings keys of the kinds ("BMP" ... "WMF"), by kind index.
extern const char* const image_kind_keys[IMAGE_KIND_COUNT];
// The extensions in search order, ending with an empty string, and the kind of each.
extern const char* const image_ext_table[IMAGE_EXT_COUNT + 1];
extern const int image_ext_kind[IMAGE_EXT_COUNT];
// 1 when a kind is shown and loaded. Set by init_image_kinds, then by the settings.
extern int image_kind_enabled[IMAGE_KIND_COUNT];

// Whether an image plug-in reads files of a name ("x.mag"): the plug-in
// loader's lookup, plugged in by the application. Default: none is installed.
extern int (*image_plugin_lookup)(const char* file_name);

// Every kind enabled, except the plug-in kinds (MAG, PI, PIC, P2, Q4)
// without an answering plug-in.
void init_image_kinds();
int is_plugin_kind(int kind);

// Index + 1 of text in a table that ends with an empty string, compared
// without regard to case; a null text finds the entry ".". 0 when absent.
int find_in_string_table(const char* text, const char* const* table);

// Kind + 1 of an extension (".jpg"), or 0 when unknown or disabled.
int image_kind_of_ext(const char* ext);
// The same for the extension of a path's file-name part.
int image_kind_of_path(const char* path);
// Kind + 1 when ext belongs to kind and the kind is available (a plug-in kind
// needs its plug-in), whatever its switch; else 0. For the settings.
int image_kind_of_ext2(const char* ext, int kind);

// Extensions that mark text files: "." stands for names without extension.
enum { TEXT_EXT_MAX = 64, TEXT_EXT_LIST_BUF = 256 };
struct text_ext_list_record {
    int count;
    char text[TEXT_EXT_LIST_BUF + 3];     // a 255-character list with ". " in front and its terminator
    const char* ext[TEXT_EXT_MAX + 1];     // into text; an empty entry ends the table
};
extern text_ext_list_record text_ext_list;
extern const char default_text_extensions[];

// Splits a list of extensions separated by blanks; a list without ". " gets
// ". " in front, so that names without extension count as text.
void parse_text_ext_list(const char* list);
// Index + 1 of the name's extension in the text list, or 0.
int is_text_name(const char* name);
