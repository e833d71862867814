#pragma once
// The system's standard folders, cached where the value cannot change during a run. The
// folders that depend on the settings store (the product's folder, the trace-log folder, the
// TempFolder setting) are in config/ProductFolders.h.

#include "classlib/String.h"

// GetTempPathW, ending with a backslash. When it fails, or the path does not fit its
// 260-character buffer: the system drive's "Temp" (logged at level 10; no trailing backslash).
CString GetWindowsTempDir();
// Drive and folder of the program file, with a backslash.
CString GetProgramFolder();
// The user's music folder (created when missing), else the program's folder; with a backslash.
CString GetMyMusicFolder();
// GetMyMusicFolder, worked out once per process.
CString GetMyMusicFolderCached();
// CSIDL_LOCAL_APPDATA with a backslash; empty when it cannot be had.
CString GetLocalAppDataFolder();
