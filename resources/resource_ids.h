/* Resource identifiers shared by the resource script and the program. */
#ifndef ZORVANE_RESOURCE_IDS_H
#define ZORVANE_RESOURCE_IDS_H

#define IDR_TRAY_MENU 101
#define IDI_ZORVANE 102
#define IDD_SERVER_SETTINGS 103
#define IDD_GENERAL_SETTINGS 104
#define IDD_BALL 106
#define IDD_RESULT 108
#define IDD_VERSION 126
#define IDW_CHIME 140
#define IDW_BOUNCE 141

/* Ball bitmaps: a small (16 pixels) and a large (32 pixels) ball per account. */
#define IDB_BALL1_SMALL 137
#define IDB_BALL1_LARGE 136
#define IDB_BALL2_SMALL 135
#define IDB_BALL2_LARGE 139
#define IDB_BALL3_SMALL 132
#define IDB_BALL3_LARGE 129
#define IDB_BALL4_SMALL 134
#define IDB_BALL4_LARGE 138

/* Result dialog: name, count and detail line of accounts 1 to 4. */
#define IDC_RESULT1_NAME 1001
#define IDC_RESULT1_COUNT 1002
#define IDC_RESULT1_DETAIL 1003
#define IDC_RESULT2_NAME 1004
#define IDC_RESULT2_COUNT 1005
#define IDC_RESULT2_DETAIL 1009
#define IDC_RESULT3_NAME 1010
#define IDC_RESULT3_COUNT 1011
#define IDC_RESULT3_DETAIL 1012
#define IDC_RESULT4_NAME 1013
#define IDC_RESULT4_COUNT 1014
#define IDC_RESULT4_DETAIL 1015

#define ID_CHECK_MAIL 40001
#define ID_SERVER_SETTINGS 40002
#define ID_EXIT 40003
#define ID_ABORT 40005
#define ID_GENERAL_SETTINGS 40006
#define ID_VERSION 40007
#define ID_HELP 40008

#endif
