#pragma once
// How a run ended, as the end of the run and the finish page both have to tell it.

#include <windows.h>

class COruProcess;

// A failed PC installation whose package this run installed and nothing removed again: undoing
// the run's configuration changes would leave the installed product without them.
bool KeepsRunChanges(COruProcess& process);

// The finish page's text for how the run ended: 0 when it succeeded or the installer's own
// cancel ended it. Every text takes the application title for each of its "%s".
UINT GetFinishTextId(COruProcess& process);
