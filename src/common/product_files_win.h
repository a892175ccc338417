// The product's files in its folder, by their names in setup's archives:
// removing them (the uninstaller, and setup when an installation moves to
// another folder) while keeping and naming whatever else is there, which is
// the user's.
#pragma once

#include "common/path.h"

// How many of the user's items a message names one by one.
constexpr int kNamedUserItems = 5;

struct RemovalReport {
  int failures;                  // items of the product that are left
  char firstFailure[kPathSize];  // the first of them, for the message
  int userItems;                 // the user's files and folders left in the product's folders
  char userItemNames[kNamedUserItems][kPathSize];  // the first of them
};

// Counts an item of the product that is left, and names the first.
void NoteFailure(RemovalReport* report, const char* item);

// Deletes one file of the product; a missing one counts as removed. A file in
// use gets a few seconds (its program asked to close meanwhile), then stays
// and is counted.
void RemoveFile(const char* path, RemovalReport* report);
void RemoveFileIn(const char* folder, const char* name, RemovalReport* report);

// The names of what an installation writes into its folder, as setup's
// archives hold them: the program files, and the image pack's title (its
// folder under "Themes") and files.
struct ProductNames {
  const char* const* programFiles;
  int programFileCount;
  const char* packTitle;
  const char* const* packFiles;
  int packFileCount;
};

// Removes the program files in `appDir` (but the uninstaller when it is
// `keepUninstaller`, still running), the image pack's files and then its
// folders once empty, and names everything else in `appDir` as the user's.
// `appDir` itself stays.
void RemoveProductFiles(const char* appDir, const ProductNames& names, bool keepUninstaller,
                        RemovalReport* report);

// Whether two paths name one file, however each is spelt.
bool IsSameFile(const char* a, const char* b);

// The uninstaller that the machine's uninstall entry names, into a buffer of
// kPathSize; false when there is no entry or its file does not exist.
bool FindRegisteredUninstaller(char* path);
