// Reads a ZIP archive held in memory (the setup program's RCDATA resources) in
// place and writes its members through a MemberOutput. Stored and deflated
// members are supported; nothing outside the archive's bytes is ever read.
#pragma once

#include <cstdint>
#include <cstring>

#include "archive/member_output.h"
#include "common/path.h"

// The fields of a central directory entry that decide how its member is written.
struct CentralHeader {
  uint16_t method;
  uint16_t dosTime;
  uint16_t dosDate;
  uint32_t crc;  // of the member's uncompressed bytes
  uint32_t uncompressedSize;
  uint16_t nameLength;
  uint16_t extraLength;
  uint16_t commentLength;
  uint32_t externalAttributes;
  uint32_t localOffset;
};

// The fields of a local header that bound and check the member's data.
struct LocalHeader {
  uint32_t compressedSize;
  uint32_t uncompressedSize;
  uint16_t nameLength;
  uint16_t extraLength;
};

// The one reader of the process; each extraction sets it up afresh.
struct ArchiveReader {
  const unsigned char* view;  // the archive's first byte
  uint32_t length;
  const unsigned char* position;  // the next byte to read
  uint32_t remaining;             // always length - (position - view)
  const char* directory;
  int32_t memberBudget;  // compressed bytes of the member the decoder has not taken
  MemberOutput* output;
  ByteSink* sink;      // where WriteMemberData sends the member's bytes
  uint32_t memberCrc;  // CRC-32 of the member's bytes sent so far
  char memberName[kPathSize];
  CentralHeader central;
  LocalHeader local;
  uint16_t totalEntries;
  uint32_t centralOffset;
  char localSignature[5];
  char centralSignature[5];
  char endSignature[5];
};

extern ArchiveReader gArchiveReader;

// Extracts every member of the archive data[0..length) into `directory` (an
// existing directory). `lastPath`, when not null, is a buffer of kPathSize bytes
// that receives each member's destination path once its local header is read.
// Returns 1 when every member was written and the archive ended properly, else 0.
int ExtractArchive(const unsigned char* data, uint32_t length, const char* directory,
                   char* lastPath, MemberOutput& output);

// Takes each member's name and size as ListArchiveMembers finds them.
class MemberVisitor {
 public:
  virtual void Visit(const char* name, uint32_t uncompressedSize) = 0;

 protected:
  ~MemberVisitor() = default;
};

// Walks the central directory of the archive data[0..length) and gives each
// member's name and uncompressed size to `visitor`, writing nothing: what an
// extraction would write, known before it starts. Returns 1 when the whole
// directory was read, else 0 (after the members read so far).
int ListArchiveMembers(const unsigned char* data, uint32_t length, MemberVisitor& visitor);

// Decodes one raw DEFLATE stream held in data[0..length) into `sink`, with the
// same input rules and the same CRC-32 upkeep as a deflated member. Returns the
// decoder's result (0 = done).
int InflateMemory(const unsigned char* data, uint32_t length, ByteSink& sink);

// The decoder's input: the member's next compressed byte, or -1 once the member
// budget is spent. The budget counts every call, also those past the end.
inline int NextMemberByte() {
  ArchiveReader& reader = gArchiveReader;
  int byte = -1;
  if (reader.memberBudget > 0) {
    byte = *reader.position++;
    --reader.remaining;
  }
  --reader.memberBudget;
  return byte;
}

// The member's bytes the budget still holds; negative once more were asked for.
inline int32_t MemberBytesLeft() {
  return gArchiveReader.memberBudget;
}

// The member's bytes not yet taken, MemberBytesLeft() of them when that is
// positive: a decoder may read ahead in them and then take what it used.
inline const unsigned char* MemberBytes() {
  return gArchiveReader.position;
}

// Takes `count` of the member's bytes, as that many NextMemberByte calls would;
// the member must have them.
inline void SkipMemberBytes(uint32_t count) {
  ArchiveReader& reader = gArchiveReader;
  reader.position += count;
  reader.remaining -= count;
  reader.memberBudget -= static_cast<int32_t>(count);
}

// Takes up to `count` of the member's bytes at once, as that many NextMemberByte
// calls would; returns how many it took before the budget was spent.
inline uint32_t TakeMemberBytes(unsigned char* destination, uint32_t count) {
  ArchiveReader& reader = gArchiveReader;
  uint32_t available = reader.memberBudget > 0 ? static_cast<uint32_t>(reader.memberBudget) : 0;
  if (count > available) count = available;
  std::memcpy(destination, reader.position, count);
  reader.position += count;
  reader.remaining -= count;
  reader.memberBudget -= static_cast<int32_t>(count);
  return count;
}

// The member's next `count` bytes, stored or decoded, on their way to its file;
// they count towards the member's CRC-32 as they pass.
void WriteMemberData(const unsigned char* bytes, uint32_t count);
