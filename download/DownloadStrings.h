#pragma once
// String-table ids the downloader loads from the program's resources.

#define IDS_NO_INTERNET_CONNECTION 133
