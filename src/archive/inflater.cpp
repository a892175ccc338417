#include "archive/inflater.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/archive_reader.h"
#include "common/texts.h"

namespace {

constexpr unsigned kWindowSize = 0x8000;
constexpr unsigned kMaxCodeLength = 16;
constexpr unsigned kMaxLiteralCodes = 288;
constexpr unsigned kMaxDistanceCodes = 32;
constexpr unsigned kCodeLengthCodes = 19;

// Operations of a decode entry besides 0..13, the extra bits of a length or a
// distance; 17..32 link to a sub-table indexed by (operation - 16) more bits.
constexpr uint8_t kOpEndOfBlock = 15;
constexpr uint8_t kOpLiteral = 16;
constexpr uint8_t kOpInvalid = 99;

// Root lookup bits of each kind of table.
constexpr unsigned kLiteralLookupBits = 9;
constexpr unsigned kDistanceLookupBits = 6;
constexpr unsigned kCodeLengthLookupBits = 7;
constexpr unsigned kFixedLiteralLookupBits = 7;
constexpr unsigned kFixedDistanceLookupBits = 5;

// A valid stream's last code is looked up with at most 16 bits, so it never asks
// for more than two bytes past the member's data. A stream that asks for more
// than this has run off its end, and its all-one bits could decode for ever.
constexpr int kLookAheadBytes = 4;

// Symbols 257..287: the two past RFC 1951's list decode as invalid codes.
constexpr uint16_t kLengthBases[] = {3,  4,   5,   6,   7,   8,   9,   10, 11, 13, 15,
                                     17, 19,  23,  27,  31,  35,  43,  51, 59, 67, 83,
                                     99, 115, 131, 163, 195, 227, 258, 0,  0};
constexpr uint8_t kLengthExtraBits[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,  2, 2,
                                        3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
// Symbols 0..31: a dynamic block may define 30 and 31, which decode as invalid.
constexpr uint16_t kDistanceBases[] = {
    1,   2,   3,   4,   5,    7,    9,    13,   17,   25,   33,   49,    65,    97,    129, 193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 0,   0};
constexpr uint8_t kDistanceExtraBits[] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                          7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 99, 99};
constexpr uint8_t kCodeLengthOrder[kCodeLengthCodes] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                        11, 4,  12, 3, 13, 2, 14, 1, 15};
constexpr uint32_t kMasks[kMaxCodeLength + 1] = {
    0, 1, 3, 7, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383, 32767, 65535};

// One entry of a lookup table. The first entry of every allocated block is a
// header whose `table` is the next block of the same table, or null.
struct DecodeEntry {
  uint8_t operation;
  uint8_t bits;
  union {
    uint16_t value;
    DecodeEntry* table;
  };
};

struct BitState {
  uint32_t buffer;
  unsigned count;
  int bytesPastEnd;
};

struct Inflater {
  unsigned char window[kWindowSize];
  unsigned windowPosition;
  BitState bits;
  DecodeEntry* fixedLiteralTable;
  unsigned fixedLiteralBits;
  DecodeEntry* fixedDistanceTable;
  unsigned fixedDistanceBits;
  unsigned codeLengths[kMaxLiteralCodes + kMaxDistanceCodes];
  unsigned fixedLengths[kMaxLiteralCodes];
  unsigned valueList[kMaxLiteralCodes];
  int fixedTableBuilds;
};

Inflater gInflater;

inline void NeedBits(BitState& bits, unsigned count) {
  if (bits.count >= count) return;
  // While the member has bytes to spare, fill the buffer in one go; near its
  // end, take only what is needed, so that the bytes past it are counted right.
  if (MemberBytesLeft() >= 4) {
    do {
      bits.buffer |= static_cast<uint32_t>(TakeMemberByte()) << bits.count;
      bits.count += 8;
    } while (bits.count <= 24);
    return;
  }
  while (bits.count < count) {
    int byte = NextMemberByte();
    if (byte < 0) ++bits.bytesPastEnd;
    bits.buffer |= static_cast<uint32_t>(byte) << bits.count;
    bits.count += 8;
  }
}

inline void DropBits(BitState& bits, unsigned count) {
  bits.buffer >>= count;
  bits.count -= count;
}

inline unsigned TakeBits(BitState& bits, unsigned count) {
  NeedBits(bits, count);
  unsigned value = bits.buffer & kMasks[count];
  DropBits(bits, count);
  return value;
}

bool IsPastLookAhead(const BitState& bits) {
  return bits.bytesPastEnd > kLookAheadBytes;
}

// The working state of one BuildDecodeTable call.
struct TableBuild {
  const uint16_t* bases;
  const uint8_t* extraBits;
  unsigned simpleCount;
  unsigned symbolCount;  // symbols with a code, at the start of the value list
  unsigned nextSymbol;
  unsigned counts[kMaxCodeLength + 1];
  unsigned shortest;
  unsigned longest;
  unsigned lookupBits;
  unsigned endOfBlockLength;
  unsigned code;   // the current code, bit-reversed
  unsigned above;  // code bits decoded by the tables above the current one
  unsigned depth;  // tables open; the current one is depth - 1
  DecodeEntry* tables[kMaxCodeLength + 1];
  unsigned sizes[kMaxCodeLength + 1];
  unsigned prefixes[kMaxCodeLength + 1];
  DecodeEntry* firstBlock;
  DecodeEntry** chainEnd;
};

void FreeBlocks(DecodeEntry* block) {
  while (block != nullptr) {
    DecodeEntry* next = block->table;
    std::free(block);
    block = next;
  }
}

// Frees a table and its sub-tables, all of which hang in one chain from the root.
void FreeDecodeTables(DecodeEntry* table) {
  if (table != nullptr) FreeBlocks(table - 1);
}

// Counts the codes of each length and finds the shortest and longest; false when
// no symbol has a code.
bool CountCodeLengths(TableBuild& build, const unsigned* lengths, unsigned symbols) {
  for (unsigned i = 0; i < symbols; ++i) ++build.counts[lengths[i]];
  if (build.counts[0] == symbols) return false;
  build.shortest = 1;
  while (build.counts[build.shortest] == 0) ++build.shortest;
  build.longest = kMaxCodeLength;
  while (build.counts[build.longest] == 0) --build.longest;
  return true;
}

// Returns the number of unused codes, which are added to the longest length so
// that every table slot gets an entry, or -1 when the code is over-subscribed.
int CountUnusedCodes(TableBuild& build) {
  int unused = 1 << build.shortest;
  for (unsigned length = build.shortest; length < build.longest; ++length) {
    unused -= static_cast<int>(build.counts[length]);
    if (unused < 0) return -1;
    unused <<= 1;
  }
  unused -= static_cast<int>(build.counts[build.longest]);
  if (unused < 0) return -1;
  build.counts[build.longest] += unused;
  return unused;
}

// Lists the symbols that have a code by length, then by symbol.
void SortSymbols(TableBuild& build, const unsigned* lengths, unsigned symbols) {
  unsigned offsets[kMaxCodeLength + 2] = {};
  for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
    offsets[length + 1] = offsets[length] + build.counts[length];
  }
  for (unsigned symbol = 0; symbol < symbols; ++symbol) {
    if (lengths[symbol] != 0) gInflater.valueList[offsets[lengths[symbol]]++] = symbol;
  }
  build.symbolCount = symbols - build.counts[0];
}

// The size of a new table for codes of length `length`, `pending` of which are
// still to be placed: as large as the codes that follow can fill, within the
// lookup bits, and ending where the end-of-block code ends.
unsigned ChooseTableSize(const TableBuild& build, unsigned length, unsigned pending) {
  unsigned size = length - build.above;
  unsigned limit = build.longest - build.above;
  if (limit > build.lookupBits) limit = build.lookupBits;
  if ((1u << size) > pending) {
    unsigned free = (1u << size) - pending;
    for (unsigned next = length + 1; size < limit; ++next) {
      ++size;
      free <<= 1;
      if (free <= build.counts[next]) break;
      free -= build.counts[next];
    }
  }
  unsigned endOfBlock = build.endOfBlockLength;
  if (build.above + size > endOfBlock && build.above < endOfBlock) {
    size = endOfBlock - build.above;
  }
  return size;
}

// Opens a table one level below the current one for the current code; false
// when there is no memory for it.
bool OpenTable(TableBuild& build, unsigned length, unsigned pending) {
  if (build.depth > 0) build.above += build.sizes[build.depth - 1];
  unsigned size = ChooseTableSize(build, length, pending);
  auto* block = static_cast<DecodeEntry*>(std::malloc(((1u << size) + 1) * sizeof(DecodeEntry)));
  if (block == nullptr) return false;
  block->table = nullptr;
  *build.chainEnd = block;
  build.chainEnd = &block->table;
  DecodeEntry* table = block + 1;
  if (build.depth > 0) {
    unsigned parentSize = build.sizes[build.depth - 1];
    unsigned index = (build.code & kMasks[build.above]) >> (build.above - parentSize);
    DecodeEntry& link = build.tables[build.depth - 1][index];
    link.operation = static_cast<uint8_t>(kOpLiteral + size);
    link.bits = static_cast<uint8_t>(parentSize);
    link.table = table;
  }
  build.tables[build.depth] = table;
  build.sizes[build.depth] = size;
  build.prefixes[build.depth] = build.code & kMasks[build.above];
  ++build.depth;
  return true;
}

DecodeEntry MakeEntry(TableBuild& build, unsigned length) {
  DecodeEntry entry;
  entry.bits = static_cast<uint8_t>(length - build.above);
  if (build.nextSymbol >= build.symbolCount) {
    entry.operation = kOpInvalid;
    entry.value = 0;
    return entry;
  }
  unsigned symbol = gInflater.valueList[build.nextSymbol++];
  if (symbol < build.simpleCount) {
    entry.operation = symbol < 256 ? kOpLiteral : kOpEndOfBlock;
    entry.value = static_cast<uint16_t>(symbol);
  } else {
    entry.operation = build.extraBits[symbol - build.simpleCount];
    entry.value = build.bases[symbol - build.simpleCount];
  }
  return entry;
}

// Places the current code's entry in every slot of the current table whose low
// bits are the code's bits at this level.
void PlaceEntry(TableBuild& build, unsigned length) {
  DecodeEntry entry = MakeEntry(build, length);
  DecodeEntry* table = build.tables[build.depth - 1];
  unsigned size = 1u << build.sizes[build.depth - 1];
  for (unsigned index = build.code >> build.above; index < size; index += 1u << entry.bits) {
    table[index] = entry;
  }
}

// Steps the bit-reversed code to the next code of the same length, and closes
// the tables the next code no longer belongs to.
void AdvanceCode(TableBuild& build, unsigned length) {
  unsigned bit = 1u << (length - 1);
  while (build.code & bit) {
    build.code ^= bit;
    bit >>= 1;
  }
  build.code ^= bit;
  while (build.depth > 1 && (build.code & kMasks[build.above]) != build.prefixes[build.depth - 1]) {
    --build.depth;
    build.above -= build.sizes[build.depth - 1];
  }
}

// Walks the canonical codes in order and fills the tables; false when out of memory.
bool FillTables(TableBuild& build) {
  for (unsigned length = build.shortest; length <= build.longest; ++length) {
    for (unsigned pending = build.counts[length]; pending > 0; --pending) {
      while (build.depth == 0 || length > build.above + build.sizes[build.depth - 1]) {
        if (!OpenTable(build, length, pending)) return false;
      }
      PlaceEntry(build, length);
      AdvanceCode(build, length);
    }
  }
  return true;
}

// Builds the lookup table for the code lengths of `symbols` symbols, of which
// the first `simple` are literals (and end of block) and the others take their
// base and extra bits from the lists. `lookupBits` gives the root size wanted
// and receives the size built. Returns 0, 1 (incomplete, table built), 2
// (over-subscribed) or 3 (no memory).
int BuildDecodeTable(const unsigned* lengths, unsigned symbols, unsigned simple,
                     const uint16_t* bases, const uint8_t* extraBits, DecodeEntry** table,
                     unsigned* lookupBits) {
  *table = nullptr;
  TableBuild build = {};
  build.bases = bases;
  build.extraBits = extraBits;
  build.simpleCount = simple;
  build.endOfBlockLength = symbols > 256 ? lengths[256] : kMaxCodeLength;
  build.chainEnd = &build.firstBlock;
  if (!CountCodeLengths(build, lengths, symbols)) {
    *lookupBits = 0;
    return kInflateDone;
  }
  build.lookupBits = *lookupBits;
  if (build.lookupBits < build.shortest) build.lookupBits = build.shortest;
  if (build.lookupBits > build.longest) build.lookupBits = build.longest;
  int unused = CountUnusedCodes(build);
  if (unused < 0) return kInflateBadCode;
  SortSymbols(build, lengths, symbols);
  if (!FillTables(build)) {
    FreeBlocks(build.firstBlock);
    return kInflateNoMemory;
  }
  *table = build.tables[0];
  *lookupBits = build.sizes[0];
  return unused != 0 && build.longest != 1 ? kInflateInvalidData : kInflateDone;
}

// Writes the window to the member once it is full.
inline void FlushFullWindow(unsigned& position) {
  if (position == kWindowSize) {
    WriteMemberData(gInflater.window, kWindowSize);
    position = 0;
  }
}

// Looks up one code: the root entry, then the sub-table entries it links to.
// Returns null for an invalid code.
inline const DecodeEntry* DecodeSymbol(BitState& bits, const DecodeEntry* table,
                                       unsigned lookupBits) {
  NeedBits(bits, lookupBits);
  const DecodeEntry* entry = table + (bits.buffer & kMasks[lookupBits]);
  while (entry->operation > kOpLiteral) {
    if (entry->operation == kOpInvalid) return nullptr;
    DropBits(bits, entry->bits);
    unsigned subBits = entry->operation - kOpLiteral;
    NeedBits(bits, subBits);
    entry = entry->table + (bits.buffer & kMasks[subBits]);
  }
  DropBits(bits, entry->bits);
  return entry;
}

// Copies `count` bytes from a source that overlaps just behind the destination,
// with the result of a byte-by-byte copy: the bytes between them repeat. Each
// block copied doubles the stretch that can be copied next without overlap.
inline void RepeatOverlap(unsigned char* window, unsigned& position, unsigned& source,
                          unsigned count) {
  unsigned start = source;
  unsigned end = position + count;
  source += count;
  if (start == position) {  // a whole window back: every byte stays as it is
    position = end;
    return;
  }
  while (position < end) {
    unsigned piece = position - start;
    if (piece > end - position) piece = end - position;
    std::memcpy(window + position, window + start, piece);
    position += piece;
  }
}

// Copies `length` bytes from `distance` back in the window. Positions wrap
// around the window, so a distance reaching before the member's first byte
// copies whatever the window holds there.
void CopyMatch(unsigned& position, unsigned distance, unsigned length) {
  unsigned char* window = gInflater.window;
  unsigned source = position - distance;
  do {
    source &= kWindowSize - 1;
    unsigned chunk = kWindowSize - (source > position ? source : position);
    if (chunk > length) chunk = length;
    length -= chunk;
    if (position - source >= chunk) {
      // Apart, or the source ahead of the destination: a forward block move.
      std::memmove(window + position, window + source, chunk);
      position += chunk;
      source += chunk;
    } else {
      RepeatOverlap(window, position, source, chunk);
    }
    FlushFullWindow(position);
  } while (length != 0);
}

// Decodes literals and matches until the end of the block; false for invalid
// data, including a stream that has run off the member's end.
bool DecodeHuffmanData(const DecodeEntry* literalTable, const DecodeEntry* distanceTable,
                       unsigned literalBits, unsigned distanceBits) {
  if (literalTable == nullptr) return false;
  BitState bits = gInflater.bits;
  unsigned position = gInflater.windowPosition;
  bool ended = false;
  while (!IsPastLookAhead(bits)) {
    const DecodeEntry* entry = DecodeSymbol(bits, literalTable, literalBits);
    if (entry == nullptr) break;
    if (entry->operation == kOpLiteral) {
      gInflater.window[position++] = static_cast<unsigned char>(entry->value);
      FlushFullWindow(position);
      continue;
    }
    if (entry->operation == kOpEndOfBlock) {
      ended = true;
      break;
    }
    unsigned length = entry->value + TakeBits(bits, entry->operation);
    if (distanceTable == nullptr) break;
    entry = DecodeSymbol(bits, distanceTable, distanceBits);
    if (entry == nullptr) break;
    unsigned distance = entry->value + TakeBits(bits, entry->operation);
    CopyMatch(position, distance, length);
  }
  gInflater.bits = bits;
  gInflater.windowPosition = position;
  return ended;
}

// Stores `length` bytes taken from the bit buffer one by one.
void StoreInputBytes(BitState& bits, unsigned& position, unsigned length) {
  for (; length > 0; --length) {
    gInflater.window[position++] = static_cast<unsigned char>(TakeBits(bits, 8));
    FlushFullWindow(position);
  }
}

// Stores `length` bytes from the input: those left in the bit buffer, then
// straight from the member up to each window end, then, once the member is
// spent, the all-one bytes that follow it.
void StoreStoredBytes(BitState& bits, unsigned& position, unsigned length) {
  unsigned buffered = bits.count / 8 < length ? bits.count / 8 : length;
  StoreInputBytes(bits, position, buffered);
  length -= buffered;
  while (length > 0) {
    unsigned piece = kWindowSize - position < length ? kWindowSize - position : length;
    unsigned taken = TakeMemberBytes(gInflater.window + position, piece);
    position += taken;
    length -= taken;
    FlushFullWindow(position);
    if (taken < piece) break;
  }
  StoreInputBytes(bits, position, length);
}

int CopyStoredBlock() {
  BitState& bits = gInflater.bits;
  DropBits(bits, bits.count % 8);
  unsigned length = TakeBits(bits, 16);
  if (TakeBits(bits, 16) != (~length & 0xFFFF)) return kInflateInvalidData;
  StoreStoredBytes(bits, gInflater.windowPosition, length);
  return kInflateDone;
}

int BuildFixedTables() {
  unsigned* lengths = gInflater.fixedLengths;
  for (unsigned symbol = 0; symbol < kMaxLiteralCodes; ++symbol) {
    lengths[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
  }
  DecodeEntry* literals = nullptr;
  unsigned literalBits = kFixedLiteralLookupBits;
  int result = BuildDecodeTable(lengths, kMaxLiteralCodes, 257, kLengthBases, kLengthExtraBits,
                                &literals, &literalBits);
  if (result != kInflateDone) {
    FreeDecodeTables(literals);
    return result;
  }
  for (unsigned symbol = 0; symbol < 30; ++symbol) lengths[symbol] = 5;
  DecodeEntry* distances = nullptr;
  unsigned distanceBits = kFixedDistanceLookupBits;
  // 30 of the 32 five-bit codes are used: incomplete, and accepted.
  result = BuildDecodeTable(lengths, 30, 0, kDistanceBases, kDistanceExtraBits, &distances,
                            &distanceBits);
  if (result > kInflateInvalidData) {
    FreeDecodeTables(literals);
    return result;
  }
  gInflater.fixedLiteralTable = literals;
  gInflater.fixedLiteralBits = literalBits;
  gInflater.fixedDistanceTable = distances;
  gInflater.fixedDistanceBits = distanceBits;
  ++gInflater.fixedTableBuilds;
  return kInflateDone;
}

int DecodeFixedBlock() {
  if (gInflater.fixedLiteralTable == nullptr) {
    int result = BuildFixedTables();
    if (result != kInflateDone) return result;
  }
  bool decoded = DecodeHuffmanData(gInflater.fixedLiteralTable, gInflater.fixedDistanceTable,
                                   gInflater.fixedLiteralBits, gInflater.fixedDistanceBits);
  return decoded ? kInflateDone : kInflateInvalidData;
}

// Reads `total` code lengths with the code-length code into gInflater.codeLengths.
int ReadCodeLengths(const DecodeEntry* table, unsigned lookupBits, unsigned total) {
  BitState& bits = gInflater.bits;
  unsigned* lengths = gInflater.codeLengths;
  unsigned previous = 0;
  unsigned count = 0;
  while (count < total) {
    const DecodeEntry* entry = DecodeSymbol(bits, table, lookupBits);
    if (entry == nullptr || entry->operation != kOpLiteral) return kInflateInvalidData;
    unsigned symbol = entry->value;
    if (symbol < 16) {
      lengths[count++] = previous = symbol;
      continue;
    }
    unsigned repeat = symbol == 16   ? 3 + TakeBits(bits, 2)
                      : symbol == 17 ? 3 + TakeBits(bits, 3)
                                     : 11 + TakeBits(bits, 7);
    if (symbol != 16) previous = 0;
    if (count + repeat > total) return kInflateInvalidData;
    for (; repeat > 0; --repeat) lengths[count++] = previous;
  }
  return kInflateDone;
}

// Reads the code-length code and with it the literal/length and distance lengths.
int ReadDynamicLengths(unsigned literalCount, unsigned distanceCount) {
  BitState& bits = gInflater.bits;
  unsigned lengthCount = 4 + TakeBits(bits, 4);
  unsigned* lengths = gInflater.codeLengths;
  for (unsigned i = 0; i < kCodeLengthCodes; ++i) {
    lengths[kCodeLengthOrder[i]] = i < lengthCount ? TakeBits(bits, 3) : 0;
  }
  DecodeEntry* table = nullptr;
  unsigned lookupBits = kCodeLengthLookupBits;
  int result = BuildDecodeTable(lengths, kCodeLengthCodes, kCodeLengthCodes, nullptr, nullptr,
                                &table, &lookupBits);
  if (result == kInflateDone && table == nullptr) result = kInflateInvalidData;
  if (result == kInflateDone)
    result = ReadCodeLengths(table, lookupBits, literalCount + distanceCount);
  FreeDecodeTables(table);
  return result;
}

int DecodeDynamicBlock() {
  BitState& bits = gInflater.bits;
  unsigned literalCount = 257 + TakeBits(bits, 5);
  unsigned distanceCount = 1 + TakeBits(bits, 5);
  int result = ReadDynamicLengths(literalCount, distanceCount);
  if (result != kInflateDone) return result;
  DecodeEntry* literals = nullptr;
  unsigned literalBits = kLiteralLookupBits;
  result = BuildDecodeTable(gInflater.codeLengths, literalCount, 257, kLengthBases,
                            kLengthExtraBits, &literals, &literalBits);
  if (result != kInflateDone) {
    if (result == kInflateInvalidData) std::fputs(kIncompleteLiteralTree, stderr);
    FreeDecodeTables(literals);
    return result;
  }
  DecodeEntry* distances = nullptr;
  unsigned distanceBits = kDistanceLookupBits;
  result = BuildDecodeTable(gInflater.codeLengths + literalCount, distanceCount, 0, kDistanceBases,
                            kDistanceExtraBits, &distances, &distanceBits);
  // An incomplete distance code is reported and used; one that cannot be built is not.
  if (result == kInflateInvalidData) std::fputs(kIncompleteDistanceTree, stderr);
  if (result <= kInflateInvalidData) {
    bool decoded = DecodeHuffmanData(literals, distances, literalBits, distanceBits);
    result = decoded ? kInflateDone : kInflateInvalidData;
  }
  FreeDecodeTables(literals);
  FreeDecodeTables(distances);
  return result;
}

int DecodeBlock(bool& last) {
  BitState& bits = gInflater.bits;
  last = TakeBits(bits, 1) != 0;
  switch (TakeBits(bits, 2)) {
    case 0:
      return CopyStoredBlock();
    case 1:
      return DecodeFixedBlock();
    case 2:
      return DecodeDynamicBlock();
    default:
      return kInflateBadCode;
  }
}

}  // namespace

int Inflate() {
  gInflater.windowPosition = 0;
  gInflater.bits = BitState{};
  bool last = false;
  while (!last) {
    int result = DecodeBlock(last);
    if (result != kInflateDone) return result;
    if (IsPastLookAhead(gInflater.bits)) return kInflateInvalidData;
  }
  WriteMemberData(gInflater.window, gInflater.windowPosition);
  return kInflateDone;
}

int CountFixedTableBuilds() {
  return gInflater.fixedTableBuilds;
}
