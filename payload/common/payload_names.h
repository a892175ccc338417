// Names the installed programs share among themselves (not shown to the user).
#pragma once

// Settings values of the screen saver, beside setup's in the settings key.
inline constexpr char kValueStarSpeed[] = "StarSpeed";
inline constexpr char kValueShowPictures[] = "ShowPictures";

// The screen saver's full-screen window.
inline constexpr char kSaverWindowClass[] = "TarnwickSaverClass";

// Screen-saver switches the companion passes when it starts the saver.
inline constexpr char kRunSaverFormat[] = "\"%s\" /s";
inline constexpr char kConfigureSaverFormat[] = "\"%s\" /c";

// The uninstaller's switch for running without any dialog.
inline constexpr char kQuietOption[] = "/quiet";

// The tip file among the program files, and the maker's own registry key that
// holds the settings key.
inline constexpr char kTipFile[] = "tips.txt";
inline constexpr char kMakerKey[] = "Software\\Tarnwick";
