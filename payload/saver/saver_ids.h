// Resource identifiers of the screen saver.
#pragma once

#define IDI_SAVER 1

#define IDD_SAVER_SETTINGS 100
// The settings dialog's own window class, by which the uninstaller finds it.
#define SAVER_SETTINGS_CLASS "TarnwickSaverSettingsClass"
#define IDC_SPEED_SLOW 1001
#define IDC_SPEED_MEDIUM 1002
#define IDC_SPEED_FAST 1003
#define IDC_SHOW_PICTURES 1004

#define IDS_SAVER_TITLE 1
