#pragma once
// Resource ids of the installation type, folder, options and media-library pages and of the
// folder picker's texts (every language of wizard/lang/Choices/ holds each of them).

#define IDD_CHOOSE_INSTALLATION_TYPE 133
#define IDD_INSTALL_OPTIONS 155
#define IDD_INSTALL_FOLDER 156
#define IDD_SCAN_MUSIC_COLLECTION 160

#define IDC_TYPE_STANDARD 1020
#define IDC_TYPE_USB 1021
#define IDC_TYPE_DRIVES 1022
#define IDC_TYPE_REFRESH 1023
#define IDC_TYPE_BROWSE 1024
#define IDC_TYPE_HELP 1041
#define IDC_TYPE_TARGET_FOLDER 1046
#define IDC_TYPE_STANDARD_TEXT 1089
#define IDC_TYPE_USB_TEXT 1090
#define IDC_FOLDER_TEXT 1075
#define IDC_FOLDER_EDIT 1076
#define IDC_FOLDER_BROWSE 1077
#define IDC_FOLDER_LABEL 1078
#define IDC_OPTIONS_TEXT 1008
#define IDC_OPTIONS_MP3 1086
#define IDC_OPTIONS_USAGE_STATISTICS 1087
#define IDC_OPTIONS_IMPORT_SETTINGS 1088
#define IDC_OPTIONS_NOTIFIER_AT_START 1089
#define IDC_MUSIC_INCLUDE 1098
#define IDC_MUSIC_EXCLUDE 1099

#define IDS_CONNECT_USB_DEVICE 108          // "Connect USB device to PC"
#define IDS_NEXT_BUTTON 130                 // "&Next >"
#define IDS_BROWSE_FOLDER_TITLE 139         // "Select the folder where you want to install %s"
#define IDS_BROWSE_FOLDER_CAPTION 142       // "Choose Installation Directory"
#define IDS_INSTALL_BUTTON 163              // "&Install"
