// Resource identifiers of the uninstaller.
#pragma once

#define IDI_UNINSTALL 1

#define IDS_UNINSTALL_CAPTION 1
#define IDS_CONFIRM_REMOVAL 2
#define IDS_REMOVED 3
#define IDS_KEPT_USER_ITEMS 4
#define IDS_NOT_REMOVED 5
#define IDS_MORE_USER_ITEMS 6
