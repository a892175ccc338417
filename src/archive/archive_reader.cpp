#include "archive/archive_reader.h"

#include <cstring>

#include "archive/crc32.h"
#include "archive/inflater.h"
#include "common/text_chars.h"
#include "common/texts.h"

ArchiveReader gArchiveReader;

namespace {

constexpr uint32_t kEndRecordSize = 22;
constexpr uint32_t kCentralHeaderSize = 42;  // after the signature
constexpr uint32_t kLocalHeaderSize = 26;    // after the signature
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;
constexpr uint32_t kAttributeMask = 0x7F;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr size_t kMessageSize = 1025;

// The signatures' last three bytes; the leading "P" is added at run time, so no
// whole signature appears among the program's own bytes.
constexpr char kLocalTail[] = {'K', 3, 4, 0};
constexpr char kCentralTail[] = {'K', 1, 2, 0};
constexpr char kEndTail[] = {'K', 5, 6, 0};

uint16_t GetLE16(const unsigned char* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

uint32_t GetLE32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void FormSignatures() {
  FormatText(gArchiveReader.localSignature, 5, "P%s", kLocalTail);
  FormatText(gArchiveReader.centralSignature, 5, "P%s", kCentralTail);
  FormatText(gArchiveReader.endSignature, 5, "P%s", kEndTail);
}

bool IsSignature(const unsigned char* bytes, const char* signature) {
  return std::memcmp(bytes, signature, 4) == 0;
}

bool SeekArchive(uint32_t offset) {
  ArchiveReader& reader = gArchiveReader;
  if (offset > reader.length) return false;
  reader.position = reader.view + offset;
  reader.remaining = reader.length - offset;
  return true;
}

bool SkipArchive(uint32_t count) {
  ArchiveReader& reader = gArchiveReader;
  if (count > reader.remaining) return false;
  reader.position += count;
  reader.remaining -= count;
  return true;
}

// Copies `count` bytes and advances; false, reading nothing, when count is 0
// or fewer bytes remain.
bool ReadArchive(void* destination, uint32_t count) {
  ArchiveReader& reader = gArchiveReader;
  if (count == 0 || count > reader.remaining) return false;
  std::memcpy(destination, reader.position, count);
  reader.position += count;
  reader.remaining -= count;
  return true;
}

bool ReadSignature(const char* signature) {
  unsigned char bytes[4];
  return ReadArchive(bytes, 4) && IsSignature(bytes, signature);
}

// Scans backwards from the last place a whole end record fits; the record
// nearest to the end wins, whatever comment follows it.
bool FindEndRecord() {
  ArchiveReader& reader = gArchiveReader;
  if (reader.length < kEndRecordSize) return false;
  for (uint32_t offset = reader.length - kEndRecordSize + 1; offset-- > 0;) {
    const unsigned char* bytes = reader.view + offset;
    if (bytes[0] == 'P' && IsSignature(bytes, reader.endSignature)) return SeekArchive(offset);
  }
  return false;
}

bool ReadEndRecord() {
  unsigned char record[kEndRecordSize];
  if (!ReadArchive(record, kEndRecordSize)) return false;
  gArchiveReader.totalEntries = GetLE16(record + 10);
  gArchiveReader.centralOffset = GetLE32(record + 16);
  return true;
}

bool ReadCentralHeader() {
  unsigned char bytes[kCentralHeaderSize];
  if (!ReadArchive(bytes, kCentralHeaderSize)) return false;
  CentralHeader& header = gArchiveReader.central;
  header.method = GetLE16(bytes + 6);
  header.dosTime = GetLE16(bytes + 8);
  header.dosDate = GetLE16(bytes + 10);
  header.crc = GetLE32(bytes + 12);
  header.uncompressedSize = GetLE32(bytes + 20);
  header.nameLength = GetLE16(bytes + 24);
  header.extraLength = GetLE16(bytes + 26);
  header.commentLength = GetLE16(bytes + 28);
  header.externalAttributes = GetLE32(bytes + 34);
  header.localOffset = GetLE32(bytes + 38);
  return true;
}

bool ReadLocalHeader() {
  unsigned char bytes[kLocalHeaderSize];
  if (!ReadArchive(bytes, kLocalHeaderSize)) return false;
  LocalHeader& header = gArchiveReader.local;
  header.compressedSize = GetLE32(bytes + 14);
  header.uncompressedSize = GetLE32(bytes + 18);
  header.nameLength = GetLE16(bytes + 22);
  header.extraLength = GetLE16(bytes + 24);
  return true;
}

// Reads a name of `length` bytes into a buffer of kPathSize bytes and ends it;
// an empty name or one that would not fit fails.
bool ReadName(char* name, uint16_t length) {
  if (length >= kPathSize || !ReadArchive(name, length)) return false;
  name[length] = '\0';
  return true;
}

// Reads one central directory entry and leaves the position after it.
bool ReadCentralEntry() {
  ArchiveReader& reader = gArchiveReader;
  return ReadSignature(reader.centralSignature) && ReadCentralHeader() &&
         ReadName(reader.memberName, reader.central.nameLength) &&
         SkipArchive(reader.central.extraLength) && SkipArchive(reader.central.commentLength);
}

// Reads the local header the current entry points at and leaves the position
// on the member's data.
bool ReadLocalEntry() {
  ArchiveReader& reader = gArchiveReader;
  char localName[kPathSize];
  return SeekArchive(reader.central.localOffset) && ReadSignature(reader.localSignature) &&
         ReadLocalHeader() && ReadName(localName, reader.local.nameLength) &&
         SkipArchive(reader.local.extraLength);
}

// A component that Windows resolves to the parent directory: ".." and, since
// trailing dots and spaces are dropped, the likes of "..." and ".. ".
bool IsParentComponent(const char* component, size_t length) {
  size_t dots = 0;
  for (size_t i = 0; i < length; ++i) {
    if (component[i] != '.' && component[i] != ' ') return false;
    if (component[i] == '.') ++dots;
  }
  return dots >= 2;
}

// A colon names a drive or an alternate data stream; control bytes name no
// ordinary file. No two-byte character ends in a byte below 0x40 (where all of
// these and the dot lie): a lead byte before one, or before the terminator,
// makes a character the system may read otherwise than this walk does.
bool HasForbiddenCharacter(const char* name) {
  for (const char* p = name; *p != '\0'; p = NextChar(p)) {
    auto next = static_cast<unsigned char>(p[1]);
    if (IsLeadByte(*p) ? next < 0x40 : *p == ':' || static_cast<unsigned char>(*p) < 32)
      return true;
  }
  return false;
}

// A name maps to an ordinary file inside the destination unless it is absolute
// (a leading slash or backslash, or a drive letter), climbs out with a parent
// component, has a device component, or holds a character no file name holds.
// A NUL inside would make the name used differ from the name in the archive.
// Components end at a separator character; the dots, spaces and digits looked
// at inside one are characters of their own once HasForbiddenCharacter passes.
bool IsSafeMemberName(const char* name, size_t length) {
  if (std::strlen(name) != length || HasForbiddenCharacter(name)) return false;
  if (IsPathSeparator(name[0])) return false;
  for (const char* component = name;;) {
    const char* end = FindPathSeparator(component);
    size_t componentLength = static_cast<size_t>(end - component);
    if (IsParentComponent(component, componentLength) || IsDeviceName(component, componentLength)) {
      return false;
    }
    if (*end == '\0') return true;
    component = end + 1;
  }
}

// Looks at every name the walk will use before any file is written. A broken
// directory ends the look quietly: the walk meets the same fault in its turn.
bool CheckMemberNames() {
  for (uint16_t entry = 0; entry < gArchiveReader.totalEntries; ++entry) {
    if (!ReadCentralEntry()) return true;
    const ArchiveReader& reader = gArchiveReader;
    if (!IsSafeMemberName(reader.memberName, reader.central.nameLength)) return false;
  }
  return true;
}

bool MakeMemberPath(char* path) {
  return BuildPath(path, gArchiveReader.directory, gArchiveReader.memberName);
}

// Whether the bytes the member's method will take lie within the archive.
bool IsMemberDataInArchive() {
  const ArchiveReader& reader = gArchiveReader;
  switch (reader.central.method) {
    case kMethodStored:
      return reader.central.uncompressedSize <= reader.remaining;
    case kMethodDeflated:
      return reader.local.compressedSize <= reader.remaining;
    default:
      return true;
  }
}

// Writes the member's data into the open file; false when the member fails.
bool WriteMemberContents(const char* path) {
  ArchiveReader& reader = gArchiveReader;
  reader.memberCrc = 0;
  switch (reader.central.method) {
    case kMethodStored:
      WriteMemberData(reader.position, reader.central.uncompressedSize);
      return true;
    case kMethodDeflated:
      reader.memberBudget = static_cast<int32_t>(reader.local.compressedSize);
      return Inflate() == kInflateDone;
    default: {
      char message[kMessageSize];
      FormatText(message, sizeof message, kUnsupportedMethodFormat, path,
                 static_cast<int>(reader.central.method));
      reader.output->Report(message);
      return false;
    }
  }
}

// Whether the bytes that went to the file have the CRC-32 of the central
// header. Bytes that differ come from a damaged setup program: the user is
// told so, as only a fresh copy of it can mend that.
bool IsMemberIntact(const char* path) {
  const ArchiveReader& reader = gArchiveReader;
  if (reader.memberCrc == reader.central.crc) return true;
  char message[kMessageSize];
  FormatText(message, sizeof message, kDamagedMemberFormat, path);
  reader.output->Report(message);
  return false;
}

// Creates, fills, checks and dates the member's file; a file that fails is deleted.
bool WriteMemberFile(const char* path) {
  ArchiveReader& reader = gArchiveReader;
  MemberOutput& output = *reader.output;
  if (output.Exists(path)) output.Delete(path);
  if (!output.Create(path)) return false;
  bool written = WriteMemberContents(path);
  uint32_t size = output.Finish();
  // A short or failed write shows only in the size; such a file is not kept.
  bool kept = written && IsMemberIntact(path) && size == reader.local.uncompressedSize &&
              output.SetTimeAndAttributes(
                  path, reader.central.dosDate, reader.central.dosTime,
                  (reader.central.externalAttributes & kAttributeMask) | kAttributeArchive);
  if (!kept) output.Delete(path);
  return kept;
}

bool WriteMember(char* lastPath) {
  ArchiveReader& reader = gArchiveReader;
  char path[kPathSize];
  if (!ReadLocalEntry() || !MakeMemberPath(path)) return false;
  if (lastPath != nullptr) CopyText(lastPath, kPathSize, path);
  reader.output->ShowMemberPath(path);
  return IsMemberDataInArchive() && WriteMemberFile(path);
}

// Writes the member of the current central entry; the position is back after
// the central entry when it returns.
bool ExtractMember(char* lastPath) {
  ArchiveReader& reader = gArchiveReader;
  const unsigned char* position = reader.position;
  uint32_t remaining = reader.remaining;
  bool extracted = WriteMember(lastPath);
  reader.position = position;
  reader.remaining = remaining;
  return extracted;
}

// Extracts the counted members in order; the end record must follow the last.
bool WalkCentralDirectory(char* lastPath) {
  for (uint16_t entry = 0; entry < gArchiveReader.totalEntries; ++entry) {
    if (!ReadCentralEntry() || !ExtractMember(lastPath)) return false;
  }
  return ReadSignature(gArchiveReader.endSignature);
}

void ResetReader(const unsigned char* data, uint32_t length) {
  gArchiveReader = ArchiveReader{};
  gArchiveReader.view = data;
  gArchiveReader.position = data;
  gArchiveReader.length = length;
  gArchiveReader.remaining = length;
}

}  // namespace

int ExtractArchive(const unsigned char* data, uint32_t length, const char* directory,
                   char* lastPath, MemberOutput& output) {
  // The member budget is a signed 32-bit count of bytes within the archive.
  if (length > INT32_MAX) return 0;
  ResetReader(data, length);
  gArchiveReader.directory = directory;
  gArchiveReader.output = &output;
  gArchiveReader.sink = &output;
  FormSignatures();
  if (!FindEndRecord() || !ReadEndRecord()) return 0;
  uint32_t central = gArchiveReader.centralOffset;
  if (!SeekArchive(central) || !ReadSignature(gArchiveReader.centralSignature)) return 0;
  if (!SeekArchive(central) || !CheckMemberNames()) return 0;
  if (!SeekArchive(central)) return 0;
  return WalkCentralDirectory(lastPath) ? 1 : 0;
}

int ListArchiveMembers(const unsigned char* data, uint32_t length, MemberVisitor& visitor) {
  if (length > INT32_MAX) return 0;
  ResetReader(data, length);
  FormSignatures();
  if (!FindEndRecord() || !ReadEndRecord() || !SeekArchive(gArchiveReader.centralOffset)) return 0;
  for (uint16_t entry = 0; entry < gArchiveReader.totalEntries; ++entry) {
    if (!ReadCentralEntry()) return 0;
    visitor.Visit(gArchiveReader.memberName, gArchiveReader.central.uncompressedSize);
  }
  return 1;
}

int InflateMemory(const unsigned char* data, uint32_t length, ByteSink& sink) {
  if (length > INT32_MAX) return kInflateInvalidData;
  ResetReader(data, length);
  gArchiveReader.sink = &sink;
  gArchiveReader.memberBudget = static_cast<int32_t>(length);
  return Inflate();
}

void WriteMemberData(const unsigned char* bytes, uint32_t count) {
  gArchiveReader.memberCrc = UpdateCrc32(gArchiveReader.memberCrc, bytes, count);
  gArchiveReader.sink->Write(bytes, count);
}
