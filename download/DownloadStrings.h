#pragma once
// String-table ids the downloader loads from the program's resources.

// The program's title (the application object's, AFX_IDS_APP_TITLE): the failure box's caption.
#define IDS_DOWNLOAD_CAPTION 57344
#define IDS_NO_INTERNET_CONNECTION 133
