// Resource identifiers of the uninstaller.
#pragma once

#define IDI_UNINSTALL 1

#define IDS_UNINSTALL_CAPTION 1
#define IDS_CONFIRM_REMOVAL 2
#define IDS_REMOVED 3
#define IDS_REMOVED_AT_RESTART 4
#define IDS_NOT_REMOVED 5
