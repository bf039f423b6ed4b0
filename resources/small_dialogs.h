// Identifiers of the browser's small dialogs (batch rename, save in another
// format, search, thumbnail size, cache settings), shared by their
// resources and their procedures.
#pragma once
#define IDD_BATCH_RENAME 113
#define IDD_SEARCH 134
#define IDD_THUMB_SIZE 135
#define IDD_CACHE 145
#define IDD_SAVE_AS 206
#define IDC_FIELD0 1000
#define IDC_FIELD1 1002
#define IDC_CHECK0 1005
#define IDC_CHECK1 1006
#define IDC_FIELD2 1013
#define IDC_FOLDER_PICK 1014
#define IDC_NOTE 1015
#define IDC_DEFAULTS 1037
#define IDC_FORMAT_BMP 1043
#define IDC_FORMAT_JPG 1044
#define IDC_FORMAT_PNG 1045
#define IDC_FORMAT_TIF 1046
#define IDC_TURN_0 1073
#define IDC_TURN_90 1074
#define IDC_TURN_180 1075
#define IDC_TURN_270 1076
