// Names the installed programs share among themselves (not shown to the user).
#pragma once

#include "payload/saver/saver_ids.h"

// Settings values of the screen saver, beside setup's in the settings key.
inline constexpr char kValueStarSpeed[] = "StarSpeed";
inline constexpr char kValueShowPictures[] = "ShowPictures";

// The screen saver's windows: full screen, the preview inside another
// program's window, and the settings dialog (its class named in saver.rc).
inline constexpr char kSaverWindowClass[] = "TarnwickSaverClass";
inline constexpr char kSaverPreviewClass[] = "TarnwickSaverPreviewClass";
inline constexpr char kSaverSettingsClass[] = SAVER_SETTINGS_CLASS;

// Held by the running companion, so that a second start ends at once.
inline constexpr char kCompanionMutex[] = "TarnwickZindleRunning";

// The system's own blank screen saver in the system directory.
inline constexpr char kBlankSaverFile[] = "scrnsave.scr";

// Screen-saver switches the companion passes when it starts the saver.
inline constexpr char kRunSaverFormat[] = "\"%s\" /s";
inline constexpr char kConfigureSaverFormat[] = "\"%s\" /c";

// The switch the uninstaller starts its temporary copy with.
inline constexpr char kRemoveOption[] = "/remove";
