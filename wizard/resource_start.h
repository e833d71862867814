#pragma once
// Resource ids of the pages shown before anything is installed: the advertising page, the
// language and installation-mode page, the Internet page and the update offer.

#define IDD_CHECK_INTERNET 102
#define IDD_UPDATE_AVAILABLE 104
#define IDD_CHOOSE_LANGUAGE 132
#define IDD_ADVERTISE 161

#define IDC_INTERNET_SKIP 1001
#define IDC_INTERNET_TEXT 1005
#define IDC_UPDATE_TEXT 1008
#define IDC_UPDATE_DOWNLOAD 1009
#define IDC_LANGUAGE_COMBO 1016
#define IDC_INSTALL_TYPICAL 1062
#define IDC_INSTALL_ADVANCED 1063
#define IDC_EULA_LINK_ADVANCED 1070
#define IDC_EULA_LINK_TYPICAL 1071
#define IDC_LANGUAGE_LABEL 1093
#define IDC_INSTALL_TYPE_LABEL 1094
#define IDC_INSTALL_TYPICAL_TEXT 1095
#define IDC_INSTALL_ADVANCED_TEXT 1096
#define IDC_ADVERTISE_PICTURE 1100
#define IDC_ADVERTISE_MORE 1101

#define IDS_SELECT_LANGUAGE 106             // "(Select)"; the Next button's text is IDS_NEXT_BUTTON
#define IDS_WELCOME_HEADING 136             // "Welcome to the %s"
#define IDS_WELCOME_SUBHEADING 148          // "... installation process for %s %s."
