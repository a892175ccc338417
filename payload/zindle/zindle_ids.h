// Resource identifiers of the companion program.
#pragma once

#define IDI_ZINDLE 1

#define IDM_TRAY 100
#define IDM_START_SAVER 1001
#define IDM_SAVER_SETTINGS 1002
#define IDM_EXIT 1003

#define IDS_WINDOW_TITLE 1
#define IDS_TRAY_TIP 2
