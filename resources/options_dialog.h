// Identifiers of the options dialog, shared by its resource and its procedure.
#pragma once
#define IDD_OPTIONS 199
#define IDC_STARTFOLDER 1001
#define IDC_COUNTFILE 1002
#define IDC_COUNTLIMIT 1003
#define IDC_PICEXT 1004
#define IDC_TIMETRANS 1005
#define IDC_TXTICON 1006
#define IDC_TXTCONT 1007
#define IDC_CURSTOP 1008
#define IDC_LZH0 1010
#define IDC_KIND0 1020
#define IDC_TEXTPIC 1040
#define IDC_TXTEXT 1041
