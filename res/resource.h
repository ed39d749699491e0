// Resource ids of the program's built-in German resources (PCSC_Kardoskop.rc). The English module
// uses the same ids.
#pragma once

// Texts shared by several pages.
#define IDS_NOT_AVAILABLE               105
#define IDS_ERROR                       106

// Detail rows of a decoded ATR.
#define IDS_ATR_CLOCK                   115
#define IDS_ATR_CONVENTION              116
#define IDS_ATR_DIRECT                  117
#define IDS_ATR_INVERSE                 118
#define IDS_ATR_PROTOCOL                119
#define IDS_ATR_TA1_F                   120
#define IDS_ATR_TA1_D                   121
#define IDS_ATR_TA1_RATE                122
#define IDS_ATR_TA1_ETU                 123
#define IDS_ATR_TB1_VPP                 124
#define IDS_ATR_VPP_NOT_REQUIRED        125
#define IDS_ATR_VPP_STANDARD            126
#define IDS_ATR_TC1_GUARD               127
#define IDS_ATR_TA2_PTS                 128
#define IDS_ATR_PTS_SWITCH_POSSIBLE     129
#define IDS_ATR_PTS_SWITCH_IMPOSSIBLE   130
#define IDS_ATR_PTS_EXPLICIT            131
#define IDS_ATR_PTS_IMPLICIT            132
#define IDS_ATR_PTS_USE                 133
#define IDS_ATR_TB2_PI2                 134
#define IDS_ATR_TC2_WAIT                135
#define IDS_ATR_TA3_IFSC                136
#define IDS_ATR_TB3_CWT_BWT             137
#define IDS_ATR_TB3_CWT                 138
#define IDS_ATR_TB3_BWT                 139
#define IDS_ATR_TC3                     140
#define IDS_ATR_TA4_IFSC                141
#define IDS_ATR_TB4_CWT_BWT             142
#define IDS_ATR_TB4_BWT                 143
#define IDS_ATR_TB4_CWT                 144
#define IDS_ATR_TC4                     145
#define IDS_ATR_HIST_TEXT               146
#define IDS_ATR_HIST_HEX                147
#define IDS_ATR_STANDARD                170
#define IDS_ATR_CARD_NAME               171

// Dialog templates of the main window and its pages.
#define IDD_MAIN                        102
#define IDD_GENERAL_PAGE                129
#define IDD_CONTACT_PAGE                139
#define IDD_CONTACTLESS_PAGE            141

// Icons and bitmaps.
#define IDI_APP                         128
#define IDI_LOGO_130                    130
#define IDI_LOGO_131                    131
#define IDI_LOGO_132                    132
#define IDI_LOGO_133                    133
#define IDI_LOGO_134                    134
#define IDI_LOGO_135                    135
#define IDI_LOGO_136                    136
#define IDB_STATUS_ERROR                137
#define IDB_STATUS_OK                   138
#define IDI_CONTACT_READER              143
#define IDI_GENERAL                     146
#define IDI_CONTACTLESS_READER          148
// The application icon's 16 px drawing at 16, 20, 24 and 32 pixels, for the window's small icon
// (icon 128 holds the 32 px drawing at 32 to 64 pixels).
#define IDI_APP_SMALL                   150
// The status pictures drawn for 125, 150 and 200 %; 137 and 138 are the 100 % ones.
#define IDB_STATUS_ERROR_125            151
#define IDB_STATUS_OK_125               152
#define IDB_STATUS_ERROR_150            153
#define IDB_STATUS_OK_150               154
#define IDB_STATUS_ERROR_200            155
#define IDB_STATUS_OK_200               156

// Controls of the main window (102).
#define IDC_READER_LIST                 1000
#define IDC_REFRESH                     1014
#define IDC_LOGFILE                     1019
#define IDC_LANGUAGE                    1021

// Controls of the General page (129).
#define IDC_RM_STATUS                   1001
#define IDC_FILE_LIST                   1004
#define IDC_READER_NAMES                1006

// Controls of the contact (139) and contactless (141) pages.
#define IDC_CARD_STATUS                 1009
#define IDC_FIRMWARE                    1010
#define IDC_EMV                         1011
#define IDC_ATR                         1012
#define IDC_DETAILS                     1013
#define IDC_UID                         1014
#define IDC_READER_GROUP                1017

// Texts of the pages.
#define IDS_PROPERTY                    109
#define IDS_VALUE                       110
#define IDS_FILE                        111
#define IDS_VERSION                     112
#define IDS_MAKER                       113
#define IDS_NO_READERS                  114

// Texts of the main window and the reader pages.
#define IDS_ABOUT_MENU                  101
#define IDS_GENERAL                     102
#define IDS_CARD_INSERTED               107
#define IDS_NO_CARD_INSERTED            108
#define IDS_RM_OK                       168
#define IDS_RM_ERROR                    169
#define IDS_CANNOT_OPEN                 173
#define IDS_THE_DLL                     174
#define IDS_CARD_IN_FIELD               175
#define IDS_NO_CARD_IN_FIELD            176

// Dialog templates and texts of the language dialog and the About box.
#define IDD_ABOUT                       100
#define IDD_LANGUAGE                    149
#define IDC_VERSION_LINE                1022
#define IDC_LANGUAGE_LIST               1020
#define IDS_GERMAN                      163
#define IDS_ENGLISH                     164
#define IDS_LANGUAGE_CHANGED            165
#define IDS_LANGUAGE_CAPTION            166
#define IDS_ABOUT_CAPTION               177

// Texts of the log file and its messages.
#define IDS_LOG_DATE                    148
#define IDS_LOG_TIME                    149
#define IDS_LOG_OS                      150
#define IDS_LOG_FILES                   151
#define IDS_LOG_READERS                 153
#define IDS_LOG_TABLE_HEAD              154
#define IDS_LOG_CARDS                   155
#define IDS_LOG_CARD_UNREADABLE         156
#define IDS_LOG_FIRMWARE                157
#define IDS_LOG_EMV                     158
#define IDS_LOG_ATR                     159
#define IDS_LOG_RM_STATUS               167
#define IDS_THE_FILE                    172
#define IDS_NOT_WRITTEN_COMPLETELY      178
