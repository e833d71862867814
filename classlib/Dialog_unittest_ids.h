#pragma once
// Resource ids of the dialog tests' own templates and strings.

#define IDD_TEST 200
#define IDD_SPANISH_ONLY 201
#define IDD_MISSING 299

#define IDC_TEST_TEXT 1001
#define IDC_TEST_BUTTON 1002
#define IDC_TEST_PROGRESS 1003
#define IDC_TEST_EDIT 1004
#define IDC_TEST_THROW 1005
#define IDC_TEST_END42 1006

// One string-table block (ids 3200 to 3215).
#define IDS_BOTH 3200
#define IDS_ENGLISH_ONLY 3201
#define IDS_SPANISH 3202
