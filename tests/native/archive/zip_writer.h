// Builds ZIP archives byte by byte and remembers where each header starts, so
// that tests can bend any field of a well-formed archive afterwards.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Field offsets within the headers, signature included.
constexpr size_t kCentralMethod = 10, kCentralTime = 12, kCentralDate = 14, kCentralCrc = 16,
                 kCentralUncompressed = 24, kCentralNameLength = 28, kCentralExtraLength = 30,
                 kCentralCommentLength = 32, kCentralAttributes = 38, kCentralLocalOffset = 42;
constexpr size_t kLocalMethod = 8, kLocalTime = 10, kLocalCrc = 14, kLocalCompressed = 18,
                 kLocalUncompressed = 22, kLocalNameLength = 26, kLocalExtraLength = 28;
constexpr size_t kEndEntries = 10, kEndCentralOffset = 16;

struct ZipMember {
  std::string name;
  std::string content;
  uint16_t method = 0;  // 0 stored, 8 deflated by zlib, others stored as they are
  uint32_t attributes = 0x20;
  uint16_t dosDate = 0x5CA1;  // 2026-05-01
  uint16_t dosTime = 0x6000;  // 12:00:00
};

struct Zip {
  Bytes bytes;
  std::vector<size_t> local;    // offset of each local header
  std::vector<size_t> central;  // offset of each central header
  size_t end = 0;               // offset of the end record
};

inline Bytes DeflateRaw(const Bytes& input, int level = 9, int strategy = Z_DEFAULT_STRATEGY) {
  z_stream stream{};
  deflateInit2(&stream, level, Z_DEFLATED, -15, 9, strategy);
  Bytes output(deflateBound(&stream, input.size()) + 16);
  stream.next_in = const_cast<unsigned char*>(input.data());
  stream.avail_in = static_cast<uInt>(input.size());
  stream.next_out = output.data();
  stream.avail_out = static_cast<uInt>(output.size());
  deflate(&stream, Z_FINISH);
  output.resize(stream.total_out);
  deflateEnd(&stream);
  return output;
}

inline void Put16(Bytes& bytes, uint32_t value) {
  bytes.push_back(value & 0xFF);
  bytes.push_back((value >> 8) & 0xFF);
}

inline void Put32(Bytes& bytes, uint32_t value) {
  Put16(bytes, value & 0xFFFF);
  Put16(bytes, value >> 16);
}

inline void Patch16(Bytes& bytes, size_t offset, uint32_t value) {
  bytes[offset] = value & 0xFF;
  bytes[offset + 1] = (value >> 8) & 0xFF;
}

inline void Patch32(Bytes& bytes, size_t offset, uint32_t value) {
  Patch16(bytes, offset, value & 0xFFFF);
  Patch16(bytes, offset + 2, value >> 16);
}

inline void PutText(Bytes& bytes, const std::string& text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
}

inline void PutHeaderStart(Bytes& bytes, const ZipMember& member, uint32_t packedSize) {
  Put16(bytes, 0);  // flags
  Put16(bytes, member.method);
  Put16(bytes, member.dosTime);
  Put16(bytes, member.dosDate);
  const auto* content = reinterpret_cast<const unsigned char*>(member.content.data());
  Put32(bytes, static_cast<uint32_t>(crc32(0, content, static_cast<uInt>(member.content.size()))));
  Put32(bytes, packedSize);
  Put32(bytes, static_cast<uint32_t>(member.content.size()));
  Put16(bytes, static_cast<uint32_t>(member.name.size()));
  Put16(bytes, 0);  // extra field
}

inline Zip MakeZip(const std::vector<ZipMember>& members, const std::string& comment = "") {
  Zip zip;
  std::vector<Bytes> packed;
  for (const ZipMember& member : members) {
    Bytes data(member.content.begin(), member.content.end());
    packed.push_back(member.method == 8 ? DeflateRaw(data) : data);
    zip.local.push_back(zip.bytes.size());
    PutText(zip.bytes, std::string("PK\3\4\x14", 5) + '\0');
    PutHeaderStart(zip.bytes, member, static_cast<uint32_t>(packed.back().size()));
    PutText(zip.bytes, member.name);
    zip.bytes.insert(zip.bytes.end(), packed.back().begin(), packed.back().end());
  }
  size_t centralStart = zip.bytes.size();
  for (size_t i = 0; i < members.size(); ++i) {
    zip.central.push_back(zip.bytes.size());
    PutText(zip.bytes, std::string("PK\1\2\x14\0\x14\0", 8));
    PutHeaderStart(zip.bytes, members[i], static_cast<uint32_t>(packed[i].size()));
    Put16(zip.bytes, 0);  // comment
    Put16(zip.bytes, 0);  // disk
    Put16(zip.bytes, 0);  // internal attributes
    Put32(zip.bytes, members[i].attributes);
    Put32(zip.bytes, static_cast<uint32_t>(zip.local[i]));
    PutText(zip.bytes, members[i].name);
  }
  zip.end = zip.bytes.size();
  PutText(zip.bytes, std::string("PK\5\6\0\0\0\0", 8));
  Put16(zip.bytes, static_cast<uint32_t>(members.size()));
  Put16(zip.bytes, static_cast<uint32_t>(members.size()));
  Put32(zip.bytes, static_cast<uint32_t>(zip.end - centralStart));
  Put32(zip.bytes, static_cast<uint32_t>(centralStart));
  Put16(zip.bytes, static_cast<uint32_t>(comment.size()));
  PutText(zip.bytes, comment);
  return zip;
}
