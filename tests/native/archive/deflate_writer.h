// Builds DEFLATE streams bit by bit, so that tests can make streams no
// compressor would: odd code sets, invalid symbols, broken headers.
#pragma once

#include <cstdint>
#include <vector>

class BitWriter {
 public:
  // Appends `count` bits of `value`, least significant first.
  void Put(uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) PutBit((value >> i) & 1);
  }
  // Appends a Huffman code, most significant bit first.
  void PutCode(uint32_t code, unsigned length) {
    for (unsigned i = length; i-- > 0;) PutBit((code >> i) & 1);
  }
  void AlignToByte() {
    while (used_ != 0) PutBit(0);
  }
  const std::vector<unsigned char>& bytes() const { return bytes_; }
  size_t bitCount() const { return bytes_.size() * 8 - (used_ == 0 ? 0 : 8 - used_); }

 private:
  void PutBit(unsigned bit) {
    if (used_ == 0) bytes_.push_back(0);
    bytes_.back() |= static_cast<unsigned char>(bit << used_);
    used_ = (used_ + 1) % 8;
  }
  std::vector<unsigned char> bytes_;
  unsigned used_ = 0;
};

// The canonical codes of a set of code lengths (RFC 1951 section 3.2.2).
inline std::vector<uint32_t> MakeCanonicalCodes(const std::vector<int>& lengths) {
  int counts[17] = {};
  for (int length : lengths) ++counts[length];
  counts[0] = 0;
  uint32_t next[17] = {};
  uint32_t code = 0;
  for (int bits = 1; bits <= 16; ++bits) next[bits] = code = (code + counts[bits - 1]) << 1;
  std::vector<uint32_t> codes(lengths.size());
  for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
    if (lengths[symbol] != 0) codes[symbol] = next[lengths[symbol]]++;
  }
  return codes;
}

// One symbol of the code-length alphabet with the value of its extra bits.
struct LengthSymbol {
  int symbol;
  uint32_t extra;
};

// Lengths of the code-length code in symbol order: 0..12 get four bits and
// 13..18 five, a complete code in which every symbol can be written.
inline std::vector<int> MakeFullCodeLengthCode() {
  std::vector<int> lengths(19, 4);
  for (int symbol = 13; symbol < 19; ++symbol) lengths[symbol] = 5;
  return lengths;
}

// Writes the header of a dynamic block that is marked last: the counts, all 19
// code-length code lengths and the given code-length symbols.
inline void PutDynamicHeader(BitWriter& writer, int literalCount, int distanceCount,
                             const std::vector<int>& lengthCode,
                             const std::vector<LengthSymbol>& symbols) {
  static const int kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  writer.Put(1, 1);
  writer.Put(2, 2);
  writer.Put(literalCount - 257, 5);
  writer.Put(distanceCount - 1, 5);
  writer.Put(15, 4);
  for (int symbol : kOrder) writer.Put(lengthCode[symbol], 3);
  std::vector<uint32_t> codes = MakeCanonicalCodes(lengthCode);
  static const unsigned kExtraBits[3] = {2, 3, 7};
  for (const LengthSymbol& item : symbols) {
    writer.PutCode(codes[item.symbol], lengthCode[item.symbol]);
    if (item.symbol >= 16) writer.Put(item.extra, kExtraBits[item.symbol - 16]);
  }
}

// A dynamic block's header giving the literal/length and distance code lengths
// one symbol each; the caller then writes the data with EncodeSymbol.
inline void PutDynamicLengths(BitWriter& writer, const std::vector<int>& literals,
                              const std::vector<int>& distances) {
  std::vector<LengthSymbol> symbols;
  for (int length : literals) symbols.push_back({length, 0});
  for (int length : distances) symbols.push_back({length, 0});
  PutDynamicHeader(writer, static_cast<int>(literals.size()), static_cast<int>(distances.size()),
                   MakeFullCodeLengthCode(), symbols);
}

inline void EncodeSymbol(BitWriter& writer, const std::vector<int>& lengths, int symbol) {
  writer.PutCode(MakeCanonicalCodes(lengths)[symbol], lengths[symbol]);
}
