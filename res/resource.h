// Resource ids of vendrit.exe, shared by the resource script and the code
// that loads the dialogs, the icon and the announcement scripts.
#pragma once

#define IDD_MAIN 101
#define IDD_SETTINGS 108
#define IDI_VENDRIT 103

// Main window controls.
#define IDC_OUTPUT 1002
#define IDC_GO 1003
#define IDC_SETTINGS 1017
#define IDC_EXIT 1021

// Announcement scripts: string-table entries 1 to 27.
#define IDS_SCRIPT_FIRST 1
#define IDS_SCRIPT_LAST 27
