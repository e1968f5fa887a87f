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

// Settings dialog controls.
#define IDC_ABORN 1000
#define IDC_LEAVE 1001
#define IDC_PREFER_NEW 1004
#define IDC_PREFER_LARGE 1005
#define IDC_CHANGEBBS 1007
#define IDC_CHANGELINK 1008
#define IDC_FAVOURITES 1009
#define IDC_BACKUP 1010
#define IDC_BACKUPPROG 1011
#define IDC_BROWSE 1003
#define IDC_WAIT_CONFIRM 1018
#define IDC_UKAGAKA 1019
#define IDC_NO_MOVE 1020
#define IDC_FOREIGN 1023
