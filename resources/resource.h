// Resource identifiers shared by the program's code and its resource script.
#pragma once

// Icon and bitmaps.
#define IDI_SETUP               1
#define IDB_IMAGES              2     // 72 images of 16x16: 14 checked box, 15 empty box, 69 warning
#define IDB_SIDE                4     // side picture and watermark, 164x628
#define IDB_HEADER              5     // header picture, 49x49
#define IDR_LICENSE             6     // optional licence text (RTF), RT_RCDATA

// Image numbers within IDB_IMAGES.
#define IMAGE_CHECKED           14
#define IMAGE_UNCHECKED         15
#define IMAGE_WARNING           69

// Wizard page templates.
#define IDD_WELCOME             1107
#define IDD_LICENSE             1108
#define IDD_COMPONENTS          1109
#define IDD_TARGETDIR           1110
#define IDD_INSTALL             1111
#define IDD_INSTALL_FINISH      1112
#define IDD_REMOVE              1113
#define IDD_REMOVE_FINISH       1114

// Strings.
#define IDS_PRODUCT_TITLE       1300
#define IDS_WELCOME_TEXT        1301
#define IDS_LICENSE_TITLE       1303
#define IDS_LICENSE_SUBTITLE    1304
#define IDS_COMPONENTS_TITLE    1305
#define IDS_COMPONENTS_SUBTITLE 1306
#define IDS_TARGETDIR_TITLE     1307
#define IDS_TARGETDIR_SUBTITLE  1308
#define IDS_INSTALL_TITLE       1309
#define IDS_INSTALL_SUBTITLE    1310
#define IDS_INSTALL_FAILED      1311
#define IDS_REMOVE_FAILED       1312
#define IDS_WARNING             1313
#define IDS_NEWER_INSTALLED     1314
#define IDS_SCRIPT_ERROR        1315
#define IDS_BROWSE_TITLE        1316
#define IDS_PHASE_STOPPING      1317
#define IDS_PHASE_COPYING       1318
#define IDS_PHASE_DELETING      1319
#define IDS_PHASE_REGISTRY      1320
#define IDS_PHASE_SHORTCUTS     1321
#define IDS_PHASE_STARTING      1322
#define IDS_CANNOT_INSTALL      1324
#define IDS_UNKNOWN_ENTRY       1331
#define IDS_NOT_INSTALLED       1332  // with /exitcodes: a removal of a product without its entry

// The target folder that an unattended run cannot use; the folder's text is its argument.
#define IDS_TARGETDIR_UNUSABLE  1330

// Controls of the page templates.
#define IDC_TITLE               1202  // title, hint or description text, per page
#define IDC_STATUS              1203  // status or body text, per page
#define IDC_REMOVE_STATUS       1204
#define IDC_NOTE_ICON           1205
#define IDC_LICENSE_TEXT        1206
#define IDC_COMPONENT_LIST      1207
#define IDC_TARGET_EDIT         1208
#define IDC_BROWSE              1209
#define IDC_PROGRESS            1210
#define IDC_HEADER_TITLE        0xFFF0 // the classic wizard's header, added to each interior page
#define IDC_HEADER_SUBTITLE     0xFFF1
#define IDC_STATIC_TEXT         65534 // fixed texts of the page templates
#define IDC_STATIC_FRAME        65535 // fixed texts and the group box of the page templates
