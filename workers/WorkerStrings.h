#pragma once
// String-table ids of the texts that the workers put on the progress pages (the program's
// string table holds them).

#define IDS_WORKER_PLEASE_WAIT 161            // "Please wait..."
#define IDS_WORKER_CANCELLING 162             // "Cancelling operation, please wait..."
#define IDS_WORKER_PREPARING_RESTART 168      // "Preparing files for restart"
#define IDS_WORKER_COPYING_FILES 169          // "Copying necessary files"
#define IDS_WORKER_ROLLING_BACK 172           // "Rolling back performed operations"
#define IDS_WORKER_INSTALLING_FEATURES 173    // "Installing product features"
#define IDS_WORKER_DOWNLOADING 185            // "Downloading %s"
#define IDS_WORKER_TURNING_ON_DOTNET 189      // "Attempting to turn on .Net Framework"
// Captions of the installer's boxes.
#define IDS_WORKER_FATAL_ERROR_CAPTION 154    // "Fatal Error"
#define IDS_WORKER_ERROR_CAPTION 155          // "Error"
#define IDS_WORKER_WARNING_CAPTION 156        // "Warning"

// Controls of the progress pages that the workers write to.
#define IDC_PROGRESS_MAIN_TEXT 1027
#define IDC_PROGRESS_EXTRA_TEXT 1010
