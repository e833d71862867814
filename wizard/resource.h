#pragma once
// Resource ids of the program's texts, pages and icons (every language of wizard/lang/ holds
// each of them; the workers' and the downloader's own ids are theirs).

#include "download/DownloadStrings.h"
#include "workers/WorkerStrings.h"
#include "wizard/resource_dialogs.h"
#include "wizard/resource_choices.h"
#include "wizard/resource_start.h"
#include "wizard/resource_outcome.h"
#include "wizard/resource_steps.h"

#define IDI_MAINFRAME 128
#define IDI_MAINFRAME_PARTNER 168

// Pages and dialogs.
#define IDD_MSI_PROGRESS 135
#define IDD_CANCEL_INSTALLATION 137

// Controls the pages share.
#define IDC_WIZARD_BACK 1017
#define IDC_WIZARD_ABORT 3
#define IDC_WIZARD_HEADING 1037
#define IDC_WIZARD_SUBHEADING 1040
#define IDC_WIZARD_TEXT 1074
#define IDC_WIZARD_HEADER_FRAME 1067
#define IDC_WIZARD_WATERMARK_FRAME 1068
#define IDC_PROGRESS_BAR 1045
#define IDC_PROGRESS_STATUS_LABEL 1091
#define IDC_PROGRESS_LOWER_LINE 1097
#define IDC_CANCEL_QUESTION 1000

#define IDS_FINISH_FAILED 103
#define IDS_COPYING_FILE 109                // "Copying %s"
#define IDS_FINISHING_INSTALLATION 117
#define IDS_DELETING_FILE 123               // "Deleting %s"
#define IDS_REMOVING_PREVIOUS_USB 124
#define IDS_COPYING_TO_DEVICE 125
#define IDS_FINISH_CANCELLED 126
#define IDS_APP_TITLE_FORMAT 127            // "%s Setup"
#define IDS_NOT_ENOUGH_SPACE_ON_DEVICE 134
#define IDS_ALREADY_RUNNING 135
#define IDS_REQUIRES_XP_SP2 141
#define IDS_DOTNET_FRAMEWORK 143
#define IDS_VCREDIST 145
#define IDS_RESTART_COPY_TEXT 147           // "... of %s after you restart your computer."
#define IDS_INSTALLER_BUSY 150
#define IDS_APP_TITLE_FALLBACK 152          // "Vantolin Software Setup"
#define IDS_FINISH_ANOTHER_INSTALL 153
#define IDS_FATAL_ERROR_CAPTION IDS_WORKER_FATAL_ERROR_CAPTION
#define IDS_ERROR_CAPTION IDS_WORKER_ERROR_CAPTION
#define IDS_WARNING_CAPTION IDS_WORKER_WARNING_CAPTION
#define IDS_INSTALL_TEXT 157                // "... installs and configures %s. ..."
#define IDS_INSTALLING_HEADING 158          // "Installing %s"
#define IDS_INSTALLING_SUBHEADING 159
#define IDS_INSTALLER_NOT_STARTED 160
#define IDS_FINALIZING_HEADING 165
#define IDS_PREPARING_RESTART_SUBHEADING 166
#define IDS_NOT_FINALIZED 167
#define IDS_CONFIGURING_SUBHEADING 170      // "Configuring the installed features of %s"
#define IDS_PRODUCT_NOT_LAUNCHED 171
#define IDS_USB_NOT_INSTALLED 174
#define IDS_USB_INSTALL_TEXT 175            // "... installs %s to your USB device. ..."
#define IDS_FINALIZING_INSTALLATION 176     // "Finalizing installation of %s"
#define IDS_CONFIGURING_INSTALLATION 177
#define IDS_CONFIGURING_TEXT 178            // "... configures the installed features of %s. ..."
#define IDS_FIRST_RUN_SUBHEADING 179        // "Preparing %s for first run"
#define IDS_FIRST_RUN_TEXT 180              // "... configures the features of %s and ..."
#define IDS_SELF_UPDATE_FAILED 186
#define IDS_USB_DATA_KEPT 240          // "... It is kept in %s."
#define AFX_IDS_APP_TITLE 57344             // "Vantolin Setup"
