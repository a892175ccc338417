// Guards against a free-space check that lets a volume too small pass (files
// counted by their bytes rather than their clusters, the margin forgotten) or
// refuses a reinstallation that only writes over its own files.
#include "install/disk_space.h"

#include <gtest/gtest.h>

namespace {

TEST(DiskSpace, CountsWholeClustersLessWhatTheFileWrittenOverFrees) {
  EXPECT_EQ(ClusterBytes(0, 4096), 0u);
  EXPECT_EQ(ClusterBytes(1, 4096), 4096u);
  EXPECT_EQ(ClusterBytes(4097, 4096), 8192u);
  EXPECT_EQ(ClusterBytes(4097, 0), 4097u);
  EXPECT_EQ(FileRoom(5000, 0, 512), 5120u);
  // Written over itself, a file of the same size needs nothing; a larger one
  // only the clusters it adds; a smaller one never counts as room gained.
  EXPECT_EQ(FileRoom(5000, 5000, 512), 0u);
  EXPECT_EQ(FileRoom(5000, 4000, 512), 1024u);
  EXPECT_EQ(FileRoom(1000, 9000, 512), 0u);
  EXPECT_EQ(FileRoom(0x100000000ull, 0, 65536), 0x100000000ull);
}

TEST(DiskSpace, NeedsTheFilesAClusterForEachNewFolderAndTheMargin) {
  EXPECT_EQ(NeededRoom(10240, 2048), 10240u + 3 * 2048 + 65536);
  EXPECT_EQ(NeededRoom(0, 0), 3u * 4096 + 65536);
}

}  // namespace
