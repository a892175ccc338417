// What a finished installation must have left in the prefix, and what a run
// that installed nothing must not have left. Each check reports through
// GoogleTest; call them with ASSERT_NO_FATAL_FAILURE or EXPECT_NO_FATAL_FAILURE.
#pragma once

#include <set>
#include <string>

#include "e2e_support.h"

constexpr char kSettingsKey[] = "Software\\Tarnwick\\SS";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickSS";
constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The Program Files directory the system reports, and setup's default below it.
std::string ProgramFilesDirectory();
std::string DefaultAppDir();
std::string SaverPath();

// Gives "Shell Folders" its "Start Menu" and "Startup" values where the
// prefix lacks them, as a Windows system has them.
void SeedShellFolders();

// Every member of the three archives in place with its size, contents, time
// and attributes; both registry keys value by value; the three shortcuts;
// system.ini naming the saver.
void ExpectInstalled(const std::string& appDir, const WizardAnswers& answers);

// No file, key, shortcut or system.ini entry of the product.
void ExpectNothingInstalled();

// Neither the screen saver nor the companion runs.
void ExpectNothingStarted();

// The companion runs from the application directory; returns its process id.
DWORD ExpectCompanionRunning(const std::string& appDir);

// Setup started the screen saver with "+s" when it ended; the saver is ended
// here again. Returns whether one was found.
bool FindAndEndExitSaver(DWORD setupId, DWORD milliseconds);

// Every file and folder of drive C:, lower-cased, but the run's screenshots.
std::set<std::string> ListPrefixFiles();

// What the prefix holds beyond `before` lies in the application directory or
// is one of its parents, lies in the maker's Start-menu folder, or is the saver
// or the Startup shortcut.
void ExpectAddedOnlyWhereSetupWrites(const std::set<std::string>& before,
                                     const std::string& appDir);

// Runs the uninstaller the uninstall entry names with "/quiet", as a package
// tool does, and returns the exit code of the process it started.
DWORD RunQuietUninstall(const std::string& appDir);

// The product's files, shortcuts, keys and system.ini entry are gone, and no
// file of it waits for a restart.
void ExpectProductRemoved(const std::string& appDir);

// The prefix holds the files and folders of `before` and besides them only
// the uninstaller's temporary copies, each left for deletion at restart;
// neither registry key of the product is there.
void ExpectPrefixAsBefore(const std::set<std::string>& before);
