// The member snapshot of the extracted-member records: the classified fields
// of a list entry in a fixed 128-byte little-endian layout, written and read
// field by field so that the file never depends on the compiler's padding.
#include "browser/model/file_kind.h"
#include "base/le_fields.h"
#include <cstring>

namespace {
// Offsets of the snapshot fields.
enum {
    SNAP_CLASSIFIED = 0,
    SNAP_FLAGS = 4,
    SNAP_FLAG_COUNT = 14,
    SNAP_FILE_SIZE = 20,
    SNAP_WIDTH = 24,
    SNAP_HEIGHT = 28,
    SNAP_TIME = 32,
    SNAP_ON_DISK = 40,
    SNAP_XRES = 48,
    SNAP_YRES = 52,
    SNAP_SUMMARY = 56,
    SNAP_DRIVE_TYPE = 112,
    SNAP_END = 116,
};
static_assert(SNAP_SUMMARY + sizeof(folder_summary_record) == SNAP_DRIVE_TYPE, "summary words");
static_assert(int(SNAP_END) <= int(ENTRY_SNAPSHOT_BYTES), "snapshot fits its 128 bytes");

}  // namespace

// The one-byte flags in their stored order.
#define SNAPSHOT_FLAGS(X) \
    X(plain)              \
    X(layer)              \
    X(image_kind)         \
    X(rotation)           \
    X(archive) X(drive_root) X(shortcut) X(system) X(hidden) X(wildcard) X(text) X(kanji_code) X(probed) X(cut_mark)

void write_entry_snapshot(const file_kind_base_data& r, unsigned char* out)
{
    memset(out, 0, ENTRY_SNAPSHOT_BYTES);
    put32(out + SNAP_CLASSIFIED, r.classified);
    unsigned char* flag = out + SNAP_FLAGS;
#define PUT_FLAG(f) *flag++ = static_cast<unsigned char>(r.f);
    SNAPSHOT_FLAGS(PUT_FLAG)
#undef PUT_FLAG
    put32(out + SNAP_FILE_SIZE, r.file_size);
    put32(out + SNAP_WIDTH, bits32(r.width));
    put32(out + SNAP_HEIGHT, bits32(r.height));
    put64(out + SNAP_TIME, r.write_time);
    uint64_t disk;
    memcpy(&disk, &r.size_on_disk, 8);
    put64(out + SNAP_ON_DISK, disk);
    put32(out + SNAP_XRES, bits32(r.xres));
    put32(out + SNAP_YRES, bits32(r.yres));
    const folder_summary_record& s = r.summary;
    const uint32_t words[14] = {
        bits32(s.image_count), bits32(s.image_bytes), bits32(s.image_disk),  bits32(s.other_count),
        bits32(s.other_bytes), bits32(s.other_disk),  bits32(s.total_bytes), bits32(s.total_disk),
        bits32(s.compressed),  bits32(s.drive_type),  bits32(s.kind),        bits32(s.scale),
        bits32(s.loaded),      bits32(s.incomplete),
    };
    for (int i = 0; i < 14; i++) put32(out + SNAP_SUMMARY + 4 * i, words[i]);
    put32(out + SNAP_DRIVE_TYPE, bits32(r.drive_type));
}

void read_entry_snapshot(const unsigned char* in, file_kind_base_data* r)
{
    r->classified = get32(in + SNAP_CLASSIFIED);
    const unsigned char* flag = in + SNAP_FLAGS;
#define GET_FLAG(f) r->f = static_cast<decltype(r->f)>(*flag++);
    SNAPSHOT_FLAGS(GET_FLAG)
#undef GET_FLAG
    r->file_size = get32(in + SNAP_FILE_SIZE);
    r->width = from32<int32_t>(get32(in + SNAP_WIDTH));
    r->height = from32<int32_t>(get32(in + SNAP_HEIGHT));
    r->write_time = get64(in + SNAP_TIME);
    uint64_t disk = get64(in + SNAP_ON_DISK);
    memcpy(&r->size_on_disk, &disk, 8);
    r->xres = from32<int32_t>(get32(in + SNAP_XRES));
    r->yres = from32<int32_t>(get32(in + SNAP_YRES));
    folder_summary_record& s = r->summary;
    const unsigned char* w = in + SNAP_SUMMARY;
    s.image_count = from32<int32_t>(get32(w));
    s.image_bytes = from32<float>(get32(w + 4));
    s.image_disk = from32<float>(get32(w + 8));
    s.other_count = from32<int32_t>(get32(w + 12));
    s.other_bytes = from32<float>(get32(w + 16));
    s.other_disk = from32<float>(get32(w + 20));
    s.total_bytes = from32<float>(get32(w + 24));
    s.total_disk = from32<float>(get32(w + 28));
    s.compressed = from32<int32_t>(get32(w + 32));
    s.drive_type = from32<int32_t>(get32(w + 36));
    s.kind = from32<int32_t>(get32(w + 40));
    s.scale = from32<float>(get32(w + 44));
    s.loaded = from32<int32_t>(get32(w + 48));
    s.incomplete = from32<int32_t>(get32(w + 52));
    r->drive_type = from32<int32_t>(get32(in + SNAP_DRIVE_TYPE));
}
