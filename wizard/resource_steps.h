#pragma once
// Resource ids of the texts the controller's steps show on the waiting pages and after a failed
// download.

#define IDS_EXTRACTING_HEADING 102          // "Extracting setup files"
#define IDS_INTERNET_CHECK_WAIT 110         // "... verifies your Internet connection"
#define IDS_EXTRACTING_TEXT 132             // "... extracts the files needed to install %s."
#define IDS_DOWNLOAD_FAILED 184             // "... could not download all files ..."
#define IDS_DOTNET_CHECK_WAIT 187           // "... verifies .Net Framework is correctly installed ..."
