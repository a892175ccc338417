// What the installation needs of the folder and the volumes it writes to,
// known from the archives' directories before anything is written.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/path.h"
#include "common/product_files_win.h"

constexpr int kPackTitleSize = 128;

// The image pack's title, which names its folder under "Themes".
void LoadPackTitle(char* title);

// The length of the longest path setup writes below the application folder:
// a program file's name, or "Themes", the pack's title and an image's name.
std::size_t MeasureDeepestPath();

// The member names of one of the program's archives.
constexpr int kMaxListedNames = 32;
struct ArchiveNames {
  char text[2048];
  std::size_t used;
  const char* names[kMaxListedNames];
  int count;
  bool complete;  // every name fitted
};

// What the program's archives write into an application folder, by name: an
// earlier installation from archives of the same names is removed by them.
struct ListedNames {
  ArchiveNames programFiles;
  ArchiveNames packFiles;
  char packTitle[kPackTitleSize];
  ProductNames names;  // points into the above
};

// Fills `listed` from the program's archives; false when a directory cannot be
// read whole or holds more names than fit.
bool ListProductNames(ListedNames* listed);

// A volume without room for what the installation writes there.
struct RoomShortfall {
  char folder[kPathSize];  // the folder the files would go to
  ULONGLONG needed;        // bytes
  ULONGLONG available;
};

// Whether the system directory's volume and `appDir`'s (the nearest existing
// folder of it) have room for the files written there; on false, `shortfall`
// names the first that has not. A volume whose free space cannot be read is
// not held against the installation: writing reports a full one.
bool HasRoomToInstall(const char* appDir, RoomShortfall* shortfall);
