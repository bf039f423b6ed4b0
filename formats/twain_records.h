// The TWAIN records and values the scanner code passes to the source
// manager, laid out as TWAIN publishes them for 32-bit
// Windows (two-byte packing, handles and pointers of pointer size). The
// toolchain has no twain.h, so each record is pinned here by its size; the
// stand-in source includes the same header, and the pins keep both honest.
#pragma once
#include <windows.h>
#include <cstddef>

typedef unsigned short TW_UINT16;
typedef unsigned long TW_UINT32;
typedef short TW_INT16;
typedef long TW_INT32;
typedef unsigned short TW_BOOL;
typedef char TW_STR32[34];
typedef HANDLE TW_HANDLE;
typedef void* TW_MEMREF;

#pragma pack(push, 2)
struct TW_FIX32 {
    TW_INT16 Whole;
    TW_UINT16 Frac;
};
struct TW_VERSION {
    TW_UINT16 MajorNum, MinorNum, Language, Country;
    TW_STR32 Info;
};
struct TW_IDENTITY {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor, ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer, ProductFamily, ProductName;
};
struct TW_ONEVALUE {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
};
struct TW_CAPABILITY {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
};
struct TW_USERINTERFACE {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
};
struct TW_EVENT {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
};
struct TW_IMAGEINFO {
    TW_FIX32 XResolution, YResolution;
    TW_INT32 ImageWidth, ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
};
struct TW_PENDINGXFERS {
    TW_UINT16 Count;
    TW_UINT32 EOJ;
};
#pragma pack(pop)

static_assert(sizeof(TW_VERSION) == 42, "TW_VERSION");
static_assert(sizeof(TW_IDENTITY) == 156, "TW_IDENTITY");
static_assert(offsetof(TW_IDENTITY, SupportedGroups) == 50 && offsetof(TW_IDENTITY, ProductName) == 122,
              "TW_IDENTITY fields");
static_assert(sizeof(TW_ONEVALUE) == 6, "TW_ONEVALUE");
static_assert(sizeof(TW_FIX32) == 4, "TW_FIX32");
static_assert(sizeof(TW_IMAGEINFO) == 42, "TW_IMAGEINFO");
static_assert(sizeof(TW_PENDINGXFERS) == 6, "TW_PENDINGXFERS");
// Records holding a handle or pointer grow with it (8 bytes more on 64-bit).
static_assert(sizeof(TW_CAPABILITY) == 4 + sizeof(HANDLE), "TW_CAPABILITY");
static_assert(sizeof(TW_USERINTERFACE) == 4 + sizeof(HANDLE), "TW_USERINTERFACE");
static_assert(sizeof(TW_EVENT) == sizeof(void*) + 2, "TW_EVENT");
static_assert(offsetof(TW_CAPABILITY, hContainer) == 4 && offsetof(TW_EVENT, TWMessage) == sizeof(void*),
              "handle fields");

typedef TW_UINT16(WINAPI* twain_entry_fn)(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 group, TW_UINT16 dat,
                                          TW_UINT16 msg, TW_MEMREF data);

enum : TW_UINT16 {
    DG_CONTROL = 1,
    DG_IMAGE = 2,
    DAT_NULL = 0,
    DAT_CAPABILITY = 1,
    DAT_EVENT = 2,
    DAT_IDENTITY = 3,
    DAT_PARENT = 4,
    DAT_PENDINGXFERS = 5,
    DAT_USERINTERFACE = 9,
    DAT_IMAGEINFO = 0x0101,
    DAT_IMAGENATIVEXFER = 0x0104,
    MSG_NULL = 0,
    MSG_GET = 1,
    MSG_SET = 6,
    MSG_RESET = 7,
    MSG_OPENDSM = 0x0301,
    MSG_CLOSEDSM = 0x0302,
    MSG_OPENDS = 0x0401,
    MSG_CLOSEDS = 0x0402,
    MSG_USERSELECT = 0x0403,
    MSG_DISABLEDS = 0x0501,
    MSG_ENABLEDS = 0x0502,
    MSG_PROCESSEVENT = 0x0601,
    MSG_ENDXFER = 0x0701,
    MSG_XFERREADY = 0x0101,
    MSG_CLOSEDSREQ = 0x0102,
    MSG_CLOSEDSOK = 0x0103,
    TWRC_SUCCESS = 0,
    TWRC_FAILURE = 1,
    TWRC_CHECKSTATUS = 2,
    TWRC_CANCEL = 3,
    TWRC_DSEVENT = 4,
    TWRC_NOTDSEVENT = 5,
    TWRC_XFERDONE = 6,
    CAP_XFERCOUNT = 1,
    TWON_ONEVALUE = 5,
    TWON_DONTCARE16 = 0xFFFF,
    TWTY_INT16 = 1,
};
