#pragma once
// Resource ids of the download page, the restart, .NET and licence dialogs and the finish page.

#define IDD_FINISHED_INSTALLATION 109
#define IDD_CONFIRM_RESTART 138
#define IDD_DOWNLOAD_PROGRESS 139
#define IDD_EULA 153
#define IDD_DOTNET_DISABLED 157
#define IDD_ASK_RESTART 159

// The finish page: the message, the three boxes and their clickable labels.
#define IDC_FINISHED_MESSAGE 1011
#define IDC_FINISHED_LAUNCH 1013
#define IDC_FINISHED_TUTORIAL 1014
#define IDC_FINISHED_RESTART 1015
#define IDC_FINISHED_LAUNCH_LABEL 1043
#define IDC_FINISHED_RESTART_LABEL 1044
#define IDC_FINISHED_TUTORIAL_LABEL 1045
// The licence viewer and its print button.
#define IDC_EULA_VIEWER 1071
#define IDC_EULA_PRINT 1072
// The .NET page's message (a read-only edit) and the restart question's text.
#define IDC_DOTNET_MESSAGE 1027
#define IDC_ASK_RESTART_TEXT 1000
#define IDC_CONFIRM_RESTART_TEXT 1074

#define IDS_DOWNLOADED_OF 164               // "Downloaded %s of %s"
#define IDS_DOTNET_DISABLED 188
#define IDS_DOTNET_ENABLE_FAILED 190
#define IDS_DOTNET_REBOOT_NEEDED 191
#define IDS_DOTNET_CAN_ENABLE 192
#define IDS_DOTNET_RETRY 193                // "&Retry"
