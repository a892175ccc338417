// Whether a folder can take the installation, told from its text alone: setup
// and the tests ask before anything is written.
#pragma once

#include <cstddef>

// What is wrong with a folder, the first fault found.
enum AppFolderFault {
  kAppFolderFits = 0,
  kAppFolderNotFullPath,   // empty, relative, or without a drive letter or share
  kAppFolderRoot,          // a drive root or a share itself
  kAppFolderBadCharacter,  // < > : " / | ? * or a control character in a name
  kAppFolderBadName,       // an empty name, or one that ends in a dot or a space
  kAppFolderDeviceName,    // CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension
  kAppFolderTooLong,       // the deepest file below it would not fit in a path
};

// The bytes of `path` up to and with its root's backslash: 3 for "C:\...",
// the length of "\\server\share\" for a share; 0 when the path has no such
// root (a share without its backslash counts the whole path).
std::size_t PathRootLength(const char* path);

// Checks the folder as typed. `deepest` is the length of the longest path setup
// writes below the folder (without the backslash that joins them): the folder,
// a backslash and that must fit in a path buffer with its terminator. Walked by
// character in the ANSI code page.
AppFolderFault CheckAppFolder(const char* folder, std::size_t deepest);
