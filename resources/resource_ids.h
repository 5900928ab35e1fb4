/* Resource identifiers shared by the resource script and the program. */
#ifndef ZORVANE_RESOURCE_IDS_H
#define ZORVANE_RESOURCE_IDS_H

#define IDR_TRAY_MENU 101
#define IDI_ZORVANE 102
#define IDI_ZORVANE_MAIL 105 /* the tray icon while mail waits */
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

/* POP3 settings dialog. */
#define IDC_SERVER_LIST 1000
#define IDC_SERVER_NAME 1001
#define IDC_SERVER_HOST 1002
#define IDC_SERVER_PORT 1003
#define IDC_SERVER_USER 1004
#define IDC_SERVER_PASSWORD 1005
#define IDC_SERVER_INCLUDE 1007
#define IDC_SERVER_STARTTLS 1008
#define IDC_SERVER_NEW_ONLY 1009
#define IDC_SERVER_UPDATE 1010
#define IDC_SERVER_DELETE 1011

/* General settings dialog. */
#define IDC_GENERAL_PERIOD 1001
#define IDC_GENERAL_UPDOWN 1008
#define IDC_GENERAL_AUTO_CHECK 1009
#define IDC_GENERAL_BALLS 1011
#define IDC_GENERAL_DIALOG 1012
#define IDC_GENERAL_BOTH 1013
#define IDC_GENERAL_START_WITH_WINDOWS 1014

/* Version dialog: its two link buttons, labelled with what they open. */
#define IDC_VERSION_HOME_PAGE 1010
#define IDC_VERSION_MAIL 1011
#define ZORVANE_HOME_PAGE "https://zorvane.example.com/"
#define ZORVANE_MAIL_ADDRESS "zorvane-dev@example.com"

/* The help document, an HTML page. */
#define IDR_HELP 150

#define ID_CHECK_MAIL 40001
#define ID_SERVER_SETTINGS 40002
#define ID_EXIT 40003
#define ID_ABORT 40005
#define ID_GENERAL_SETTINGS 40006
#define ID_VERSION 40007
#define ID_HELP 40008

#endif
