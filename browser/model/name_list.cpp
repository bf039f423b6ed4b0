// Name lists and the scanner's five global lists (see name_list.h).
#include "browser/model/name_list.h"
#include <cstring>
#include <new>

name_list listing_names, listing_records, image_names, image_records, tree_names;

static int append_item(name_list* list, void* item)
{
    name_link* link = new (std::nothrow) name_link{item, nullptr};
    if (!link) return 0;
    if (!list->tail) list->tail = &list->head;
    list->tail->next = link;
    list->tail = link;
    list->count++;
    return 1;
}

int strlist_add(name_list* list, const char* text)
{
    size_t n = strlen(text) + 1;
    char* copy = new (std::nothrow) char[n];
    if (!copy) return 0;
    memcpy(copy, text, n);
    if (append_item(list, copy)) return 1;
    delete[] copy;
    return 0;
}

int sortlist_add(name_list* list, const sort_record& record)
{
    sort_record* copy = new (std::nothrow) sort_record(record);
    if (!copy) return 0;
    if (append_item(list, copy)) return 1;
    delete copy;
    return 0;
}

void** strlist_to_array(name_list* list)
{
    if (list->array) return list->array;
    list->array = new (std::nothrow) void*[list->count + 1];
    if (!list->array) return nullptr;
    int i = 0;
    for (name_link* link = list->head.next; link;) {
        name_link* next = link->next;
        list->array[i++] = link->item;
        delete link;
        link = next;
    }
    list->array[i] = nullptr;
    list->head.next = nullptr;
    list->tail = &list->head;
    return list->array;
}

// Texts and sort records are freed alike: as raw blocks whose bytes are
// poisoned first (a sort record holds no owned pointer).
static void free_item(void* item, bool is_text)
{
    if (is_text) {
        char* text = static_cast<char*>(item);
        memset(text, 0xDD, strlen(text) + 1);
        delete[] text;
    } else {
        sort_record* record = static_cast<sort_record*>(item);
        memset(static_cast<void*>(record), 0xDD, sizeof *record);
        delete record;
    }
}

char* strlist_replace(name_list* list, int index, const char* text)
{
    if (!list->array || index < 0 || index >= list->count) return nullptr;
    size_t n = strlen(text) + 1;
    char* copy = new (std::nothrow) char[n];
    if (!copy) return nullptr;
    memcpy(copy, text, n);
    free_item(list->array[index], true);
    list->array[index] = copy;
    return copy;
}

static void clear_items(name_list* list, bool texts)
{
    if (list->array) {
        for (int i = 0; list->array[i]; i++) free_item(list->array[i], texts);
        delete[] list->array;
        list->array = nullptr;
    }
    for (name_link* link = list->head.next; link;) {
        name_link* next = link->next;
        free_item(link->item, texts);
        delete link;
        link = next;
    }
    list->head.next = nullptr;
    list->tail = &list->head;
    list->count = 0;
}

void strlist_clear(name_list* list) { clear_items(list, true); }
void sortlist_clear(name_list* list) { clear_items(list, false); }

void clear_scan_lists()
{
    strlist_clear(&listing_names);
    sortlist_clear(&listing_records);
    strlist_clear(&image_names);
    sortlist_clear(&image_records);
    strlist_clear(&tree_names);
}
