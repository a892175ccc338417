// Identifiers of the setup program's resources, shared by the .rc files and the
// code. The numbers are fixed: tests and other programs find windows by them.
#pragma once

// Icon.
#define IDI_SETUP 1

// Dialog templates.
#define IDD_PROGRESS_PANEL 103
#define IDD_LICENCE 104
#define IDD_PAGE_WELCOME 106
#define IDD_PAGE_APP_DIRECTORY 107
#define IDD_PAGE_CONFIGURATION 108
#define IDD_PAGE_START_INSTALL 109
#define IDD_PAGE_COMPLETE 110
#define IDD_PAGE_DISPLAY_SETTINGS 111
#define IDD_PAGE_USER_INFO 112

// Controls.
#define IDC_LICENCE_TEXT 1000
#define IDC_APPDIR_BROWSE 1003
#define IDC_APPDIR_EDIT 1004
#define IDC_PAGE_PICTURE 1005
#define IDC_PROGRESS_STEP 1006
#define IDC_PROGRESS_DETAIL 1007
#define IDC_CONFIG_MAKE_CURRENT 1008
#define IDC_CONFIG_CONFIGURE 1009
#define IDC_COMPLETE_RESULT 1009
#define IDC_TITLE 1012
#define IDC_COMPLETE_LAUNCH 1013
#define IDC_COMPLETE_PICTURE 1014
#define IDC_DISPLAY_CHANGE 1015
#define IDC_USER_EMAIL 1016
#define IDC_USER_NAME 1017
#define IDC_USER_ORGANIZATION 1018
#define IDC_COMPLETE_NOTE 1019

// Strings.
#define IDS_PACK_TITLE 1
#define IDS_PACK_AUTHOR 2
#define IDS_PACK_RIGHTS 3
#define IDS_CAPTION 100
#define IDS_INSTALL_SUCCEEDED 101
#define IDS_INSTALL_FAILED 102
#define IDS_EMAIL_WARNING 103
// The application-directory page's refusals of a folder that cannot work.
#define IDS_FOLDER_NOT_FULL_PATH 104
#define IDS_FOLDER_ROOT 105
#define IDS_FOLDER_BAD_CHARACTER 106
#define IDS_FOLDER_BAD_NAME 107
#define IDS_FOLDER_DEVICE_NAME 108
#define IDS_FOLDER_TOO_LONG 109

// Bitmaps.
#define IDB_PAGE_PICTURE 108
#define IDB_COMPLETE_PICTURE 111

// Each bitmap again at twice its size, packed (RCDATA, tools/make_pictures.py),
// under the bitmap's id plus the offset: setup scales from it above 96 DPI.
#define IDR_DOUBLED_PICTURE_OFFSET 1000
#define IDR_PAGE_PICTURE_DOUBLED 1108
#define IDR_COMPLETE_PICTURE_DOUBLED 1111

// The archives the setup carries (RCDATA).
#define IDR_IMAGE_PACK 1
#define IDR_SCREEN_SAVER 5000
#define IDR_PROGRAM_FILES 5001
