// The room the installation takes on a volume, counted before anything is
// written, so that a full volume is found before it leaves half an
// installation behind.
#pragma once

#include <cstdint>

// What the file system itself writes as files and folders are added (folder
// entries, allocation records), beyond the files' own clusters.
constexpr uint64_t kFileSystemMargin = 64 * 1024;

// The installation's folders that may be new: the application folder, "Themes"
// and the image pack's folder.
constexpr uint64_t kNewFolders = 3;

// The bytes a file of `size` occupies on a volume of `cluster`-byte clusters
// (0: the size as it is).
uint64_t ClusterBytes(uint64_t size, uint32_t cluster);

// What writing a file of `newSize` adds to the volume's use, where an earlier
// file of `oldSize` (0 when there is none) is written over.
uint64_t FileRoom(uint64_t newSize, uint64_t oldSize, uint32_t cluster);

// The free space the installation needs on a volume whose files take `files`
// bytes: those, one cluster for each new folder, and kFileSystemMargin.
uint64_t NeededRoom(uint64_t files, uint32_t cluster);
