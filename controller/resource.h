#pragma once
// Resource ids of the controller.

#define IDI_MAINFRAME 128
#define IDI_MAINFRAME_PARTNER 168

#define IDS_FINISH_FAILED 103
#define IDS_FINISH_CANCELLED 126
#define IDS_APP_TITLE_FORMAT 127       // "%s Setup"
#define IDS_PRODUCT_NAME_IN_TEXT 132
#define IDS_ALREADY_RUNNING 135
#define IDS_REQUIRES_XP_SP2 141
#define IDS_INSTALLER_BUSY 150
#define IDS_FINISH_ANOTHER_INSTALL 153
#define IDS_APP_TITLE_FALLBACK 152     // "Vantolin Software Setup"
#define IDS_ERROR_CAPTION 155
#define IDS_FINALIZING_INSTALLATION 176 // "Finalizing installation of %s"
#define IDS_CONFIGURING_INSTALLATION 177
#define IDS_SELF_UPDATE_FAILED 186
#define IDS_USB_DATA_KEPT 190          // "... It is kept in %s."
#define AFX_IDS_APP_TITLE 57344        // "Vantolin Setup"

#include "workers/WorkerStrings.h"
#include "download/DownloadStrings.h"
