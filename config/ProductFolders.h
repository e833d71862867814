#pragma once
// The folders that depend on the settings store: its mode (portable or not), the registered
// edition and the TempFolder setting. Each is created when missing. The plain system folders
// are in support/Folders.h.

#include "classlib/String.h"

// <local app data>\Quillmark\Vantolin_<edition>\, or in portable mode
// <program folder>LocalAppDataFolder\Quillmark\Vantolin_<edition>\; empty when it cannot be made or the edition names no folder.
CString GetLocalAppDataProductFolder();
// <product folder>Log\, or in portable mode <TempFolder>\Log\; empty when it cannot be made.
// The controller's trace files go to its setup\ sub-folder.
CString GetTraceLogFolder();
// <Windows temp>\Quillmark (no trailing backslash), created and stored as TempFolder.
void SetDefaultTempFolder();
