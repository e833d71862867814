#pragma once
// Templates of the page tests besides the program's own pages.

#define IDD_TEST_WATERMARK 300
#define IDD_TEST_EMPTY_HEADING 301
#define IDC_TEST_PLAIN 1201
#define IDC_TEST_CHECK 1202
#define IDC_TEST_OUTSIDE 1203
