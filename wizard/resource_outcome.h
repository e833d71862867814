#pragma once
// Resource ids of the texts that tell how a run ended, where the common finish texts do not.

// A failure after the product's package was installed and left in place: nothing is undone, so
// the text must not say that the system is unchanged.
#define IDS_FINISH_FAILED_PACKAGE_KEPT 243
