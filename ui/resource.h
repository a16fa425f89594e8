// Resource ids of the program: templates, controls, strings, icon, menu command.
#pragma once

#define IDD_ABOUT 100
#define IDS_ABOUT_MENU 101
#define IDD_UPDATE 102
#define IDI_APP 128

#define IDC_START 1000
#define IDC_ABORT 1001
#define IDC_EXIT 1002
#define IDC_PORT 1003
#define IDC_PROGRESS 1004
#define IDC_PORT_LABEL 1005
#define IDC_PERCENT 1006
#define IDC_STATUS 1007
#define IDC_CAUTION 1009

// The release as the version resource spells it (1.04), and as the record's first line gives it.
#define ZK_VERSION_TEXT "1, 0, 4, 0"

#define IDM_ABOUT 0x0010
#ifndef ID_HELP
#define ID_HELP 0xE146
#endif
