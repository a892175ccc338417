#include "install/install_room_win.h"

#include "archive/archive_reader.h"
#include "common/app_folder.h"
#include "common/system_library_win.h"
#include "common/text_chars.h"
#include "common/texts.h"
#include "install/disk_space.h"
#include "resource_ids.h"

namespace {

// The archive of the program's own RCDATA resource `resourceId`, where the
// loader put it.
bool FindArchive(int resourceId, const unsigned char** bytes, DWORD* size) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId), RT_RCDATA);
  HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
  if (loaded == nullptr) return false;
  *bytes = static_cast<const unsigned char*>(LockResource(loaded));
  *size = SizeofResource(module, resource);
  return *bytes != nullptr;
}

void ListResourceArchive(int resourceId, MemberVisitor& visitor) {
  const unsigned char* bytes = nullptr;
  DWORD size = 0;
  if (FindArchive(resourceId, &bytes, &size)) ListArchiveMembers(bytes, size, visitor);
}

class LongestName : public MemberVisitor {
 public:
  void Visit(const char* name, uint32_t) override {
    std::size_t length = lstrlenA(name);
    if (length > longest) longest = length;
  }
  std::size_t longest = 0;
};

class NameCollector : public MemberVisitor {
 public:
  explicit NameCollector(ArchiveNames& names) : names_(names) {}
  void Visit(const char* name, uint32_t) override {
    std::size_t size = lstrlenA(name) + 1;
    if (names_.count == kMaxListedNames || names_.used + size > sizeof names_.text) {
      names_.complete = false;
      return;
    }
    char* copy = names_.text + names_.used;
    CopyText(copy, size, name);
    names_.used += size;
    names_.names[names_.count++] = copy;
  }

 private:
  ArchiveNames& names_;
};

bool CollectNames(int resourceId, ArchiveNames& names) {
  names.used = 0;
  names.count = 0;
  names.complete = true;
  const unsigned char* bytes = nullptr;
  DWORD size = 0;
  NameCollector collector(names);
  return FindArchive(resourceId, &bytes, &size) && ListArchiveMembers(bytes, size, collector) &&
         names.complete;
}

std::size_t LongestMemberName(int resourceId) {
  LongestName visitor;
  ListResourceArchive(resourceId, visitor);
  return visitor.longest;
}

// The image pack's folder below the application folder: "Themes", then the title.
bool BuildPackFolder(char* path, const char* appDir) {
  char title[kPackTitleSize];
  LoadPackTitle(title);
  return BuildPath(path, appDir, kThemesDirectory) && AppendPath(path, title);
}

// One volume and what the archives written onto it add to its use.
struct Volume {
  char root[kPathSize];
  char folder[kPathSize];  // where its files go, for the message
  DWORD cluster;
  ULONGLONG files;
};

// The size of the file an extraction would write over; 0 when there is none.
// (Looked up by a search, which every Windows version offers.)
ULONGLONG ExistingFileSize(const char* path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  FindClose(search);
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
  return (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

// Adds each member's room as written into `directory` over what is there.
class RoomCounter : public MemberVisitor {
 public:
  RoomCounter(Volume& volume, const char* directory) : volume_(volume), directory_(directory) {}
  void Visit(const char* name, uint32_t size) override {
    char path[kPathSize];
    ULONGLONG oldSize = 0;
    if (BuildPath(path, directory_, name)) oldSize = ExistingFileSize(path);
    volume_.files += FileRoom(size, oldSize, volume_.cluster);
  }

 private:
  Volume& volume_;
  const char* directory_;
};

void CountArchive(Volume& volume, const char* directory, int resourceId) {
  RoomCounter counter(volume, directory);
  ListResourceArchive(resourceId, counter);
}

// The volume's root and cluster size; false when the folder has no root.
bool OpenVolume(Volume& volume, const char* folder) {
  std::size_t root = PathRootLength(folder);
  if (root == 0) return false;
  CopyText(volume.root, root + 1, folder);
  // A share given without its backslash gets one: the system asks for it.
  if (!EndsInPathSeparator(volume.root) && !AppendPath(volume.root, "")) return false;
  CopyText(volume.folder, kPathSize, folder);
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  volume.cluster = GetDiskFreeSpaceA(volume.root, &sectors, &bytes, &freeClusters, &clusters)
                       ? sectors * bytes
                       : 0;
  volume.files = 0;
  return true;
}

// The folder itself or the nearest of its parents that exists: the folder may
// not be there yet.
void FindExistingFolder(const char* folder, std::size_t rootLength, char* existing) {
  CopyText(existing, kPathSize, folder);
  for (;;) {
    DWORD attributes = GetFileAttributesA(existing);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    const char* last = FindLastChar(existing, '\\');
    if (last == nullptr || static_cast<std::size_t>(last - existing) < rootLength) {
      CopyText(existing, rootLength + 1, folder);
      return;
    }
    existing[last - existing] = '\0';
  }
}

// The bytes free to this user where the folder `existing` lies. The first
// Windows 95 lacks the call that counts past 2 GB and per user: there the
// volume's free clusters count.
bool ReadFreeSpace(const Volume& volume, const char* existing, ULONGLONG* available) {
  using FreeSpaceFunction =
      BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  auto freeSpace = reinterpret_cast<FreeSpaceFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")));
  ULARGE_INTEGER caller, total, free;
  if (freeSpace != nullptr) {
    if (!freeSpace(existing, &caller, &total, &free)) return false;
    *available = caller.QuadPart;
    return true;
  }
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceA(volume.root, &sectors, &bytes, &freeClusters, &clusters)) return false;
  *available = static_cast<ULONGLONG>(freeClusters) * sectors * bytes;
  return true;
}

bool HasRoom(const Volume& volume, RoomShortfall* shortfall) {
  char existing[kPathSize];
  FindExistingFolder(volume.folder, lstrlenA(volume.root), existing);
  ULONGLONG available = 0;
  if (!ReadFreeSpace(volume, existing, &available)) return true;
  ULONGLONG needed = NeededRoom(volume.files, volume.cluster);
  if (available >= needed) return true;
  CopyText(shortfall->folder, kPathSize, volume.folder);
  shortfall->needed = needed;
  shortfall->available = available;
  return false;
}

}  // namespace

void LoadPackTitle(char* title) {
  if (LoadStringA(GetModuleHandleA(nullptr), IDS_PACK_TITLE, title, kPackTitleSize) <= 0)
    CopyText(title, kPackTitleSize, kDefaultPackTitle);
}

std::size_t MeasureDeepestPath() {
  std::size_t deepest = LongestMemberName(IDR_PROGRAM_FILES);
  char pack[kPathSize];
  if (!BuildPackFolder(pack, "")) return kPathSize;
  std::size_t inPack = lstrlenA(pack) + 1 + LongestMemberName(IDR_IMAGE_PACK);
  return inPack > deepest ? inPack : deepest;
}

bool ListProductNames(ListedNames* listed) {
  LoadPackTitle(listed->packTitle);
  listed->names = {listed->programFiles.names, listed->programFiles.count, listed->packTitle,
                   listed->packFiles.names, listed->packFiles.count};
  if (!CollectNames(IDR_PROGRAM_FILES, listed->programFiles) ||
      !CollectNames(IDR_IMAGE_PACK, listed->packFiles))
    return false;
  listed->names.programFileCount = listed->programFiles.count;
  listed->names.packFileCount = listed->packFiles.count;
  return true;
}

bool HasRoomToInstall(const char* appDir, RoomShortfall* shortfall) {
  char systemDirectory[kPathSize];
  char pack[kPathSize];
  Volume system;
  Volume app;
  if (!FindSystemDirectory(systemDirectory) || !OpenVolume(system, systemDirectory) ||
      !OpenVolume(app, appDir) || !BuildPackFolder(pack, appDir))
    return true;
  CountArchive(system, systemDirectory, IDR_SCREEN_SAVER);
  // Both on one volume: the files of both count against its one free space.
  bool shared = lstrcmpiA(system.root, app.root) == 0;
  Volume& appVolume = shared ? system : app;
  CountArchive(appVolume, appDir, IDR_PROGRAM_FILES);
  CountArchive(appVolume, pack, IDR_IMAGE_PACK);
  if (shared) CopyText(system.folder, kPathSize, appDir);
  return HasRoom(system, shortfall) && (shared || HasRoom(app, shortfall));
}
