#include "install/disk_space.h"

uint64_t ClusterBytes(uint64_t size, uint32_t cluster) {
  if (cluster == 0) return size;
  return (size + cluster - 1) / cluster * cluster;
}

uint64_t FileRoom(uint64_t newSize, uint64_t oldSize, uint32_t cluster) {
  uint64_t taken = ClusterBytes(newSize, cluster);
  uint64_t freed = ClusterBytes(oldSize, cluster);
  return taken > freed ? taken - freed : 0;
}

uint64_t NeededRoom(uint64_t files, uint32_t cluster) {
  uint64_t folders = kNewFolders * (cluster == 0 ? 4096 : cluster);
  return files + folders + kFileSystemMargin;
}
