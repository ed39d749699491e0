// Resource and control ids of the stand-in dialog. The ids of the reader list, the buttons and
// the page edits are those the program's own main window uses, so driver scripts read alike.
#pragma once

#define IDD_STANDIN 100
#define IDD_PAGE_A 110
#define IDD_PAGE_B 111

#define IDC_LIST 1000
#define IDC_NAME 1009
#define IDC_INPUT 1010
#define IDC_ECHO 1011
#define IDC_LINES 1012
#define IDC_REFRESH 1014
#define IDC_INNER 1014  // in page A
#define IDC_FRAME 1017
#define IDC_ASK 1019
#define IDC_SWAP 1021
#define IDC_ANSWER 1030
#define IDC_COUNT 1031

#define IDS_GENERAL 1
#define IDS_QUESTION 2
#define IDS_YES 3
#define IDS_NO 4
#define IDS_REFRESHED 5
#define IDS_COL_READER 6
#define IDS_COL_CARD 7
#define IDS_COL_FIRMWARE 8
#define IDS_PRESENT 9
#define IDS_ABSENT 10
#define IDS_NO_VENDOR_DLL 11
