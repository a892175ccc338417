#include "archive/inflater.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/archive_reader.h"
#include "common/texts.h"

#if defined(__SANITIZE_ADDRESS__)
#define INFLATER_GUARDS_WINDOWS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define INFLATER_GUARDS_WINDOWS 1
#endif
#endif
#ifdef INFLATER_GUARDS_WINDOWS
#include <sanitizer/asan_interface.h>
#endif

namespace {

constexpr unsigned kWindowSize = 0x8000;
constexpr unsigned kMaxCodeLength = 16;
constexpr unsigned kMaxLiteralCodes = 288;
constexpr unsigned kMaxDistanceCodes = 32;
constexpr unsigned kCodeLengthCodes = 19;
constexpr unsigned kMaxMatchLength = 258;

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

// The bit buffer is a machine word. Where the member has bytes to spare it is
// filled a word at a time: a little-endian load puts the next bytes above the
// bits already held, as bytes taken one by one would.
using BitBuffer = uintptr_t;
constexpr unsigned kBufferBits = sizeof(BitBuffer) * 8;
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "word loads assume little-endian");
// A word refill leaves the buffer at least this full; the bits it held below
// a whole byte stay, so it may leave up to seven more.
constexpr unsigned kRefillBits = kBufferBits - 8;
constexpr unsigned kMaxRefilledBits = kRefillBits | 7;
static_assert(kRefillBits % 8 == 0 && kMaxRefilledBits < kBufferBits,
              "a refill adds whole bytes and keeps the count below the buffer's width");

// The longest code. The fast loop decodes one more literal while the buffer
// holds this many bits, which a refill always leaves.
constexpr unsigned kMaxCodeBits = 15;
static_assert(kMaxCodeBits <= kRefillBits, "a step's first code is in the buffer");
// The most literals one step of the fast loop decodes before its match: each
// takes a bit at least, and a match follows only while a whole code is left.
// (A step of literals alone may take one more, and no match.)
constexpr unsigned kMaxLiteralsBeforeMatch = kMaxRefilledBits - kMaxCodeBits;
// The fast loop runs while the member holds more than this many bytes beyond
// those in the bit buffer: every word one step of it loads lies within them
// (a step refills twice, or three times with a 32-bit buffer).
constexpr int32_t kFastInputMargin = 32;

// Match copies move whole words, two at a time. Where the processor has
// 16-byte moves (every x86_64 has), a match from a word pair back or more is
// copied pairs of words at a time: as many moves for twice the bytes. Without
// them (the i686 build), a pair takes four 4-byte moves, and what the pairs
// write past the many short matches costs more than their fewer turns save.
constexpr unsigned kCopyWord = 8;
constexpr unsigned kWordCopyStep = 2 * kCopyWord;
constexpr unsigned kPairCopyStep = 4 * kCopyWord;
#ifdef __SSE2__
constexpr bool kCopyPairs = true;
#else
constexpr bool kCopyPairs = false;
#endif
// For a source less than a word back: the fewest whole repeats of it that
// make up a word at least, copied byte by byte before whole words follow.
constexpr uint8_t kRepeatSpans[kCopyWord] = {0, 8, 8, 9, 8, 10, 12, 14};

constexpr unsigned RoundUp(unsigned count, unsigned step) {
  return (count + step - 1) / step * step;
}

// The most bytes CopyMatch writes for a match of the longest length, what it
// writes past the match included: whole steps of its word or pair copy, or a
// near source's repeat span and whole word steps after it. Shorter matches
// write no more.
constexpr unsigned MeasureLongestMatchWrite() {
  unsigned most = RoundUp(kMaxMatchLength, kCopyPairs ? kPairCopyStep : kWordCopyStep);
  if (RoundUp(kMaxMatchLength, kWordCopyStep) > most)
    most = RoundUp(kMaxMatchLength, kWordCopyStep);
  for (unsigned span : kRepeatSpans) {
    unsigned written = span + RoundUp(kMaxMatchLength - span, kWordCopyStep);
    if (written > most) most = written;
  }
  return most;
}
constexpr unsigned kMaxMatchWrite = MeasureLongestMatchWrite();

// A step of the fast loop, like a symbol of the careful decoding, starts with
// the window not full: the full one is written out first. It writes at most
// its literals and one match, so this far past the window's end.
constexpr unsigned kWindowSlack = kMaxLiteralsBeforeMatch + kMaxMatchWrite - 1;
static_assert(kWindowSlack < kWindowSize, "what lies past a full window fits in the next");
// Windows follow one another in a run, each with the one before it as its
// history, so that no distance wraps; at the run's end, the last window moves
// to its start.
constexpr unsigned kRunWindows = 4;

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

// One entry of a lookup table, packed so that one load brings it: bits 0..4
// hold the code bits it consumes at its table's level, 8..14 its operation
// and 16..31 its value; bit 15 marks a literal and bit 7 a link, so that one
// test tells either. A code's tables share one allocation, the root first; a
// link's value is half its sub-table's index there (every table has an even
// size).
using DecodeEntry = uint32_t;
constexpr DecodeEntry kLiteralFlag = 0x8000;
constexpr DecodeEntry kLinkFlag = 0x80;
// So the tables of a code may hold this many entries. The tables of codes of
// at most 15 bits come to far fewer; a code that would need more is refused as
// if the memory for its tables were missing.
constexpr unsigned kMaxTableEntries = 1u << 17;

constexpr DecodeEntry MakeDecodeEntry(unsigned operation, unsigned bits, unsigned value) {
  DecodeEntry flag = operation == kOpLiteral                             ? kLiteralFlag
                     : operation > kOpLiteral && operation != kOpInvalid ? kLinkFlag
                                                                         : 0;
  return value << 16 | operation << 8 | flag | bits;
}

inline bool IsLiteral(DecodeEntry entry) {
  return (entry & kLiteralFlag) != 0;
}

inline bool IsLink(DecodeEntry entry) {
  return (entry & kLinkFlag) != 0;
}

// The entry's bits, also as a shift count: the bits of the low byte between
// them and the link flag are 0.
inline unsigned EntryBits(DecodeEntry entry) {
  return entry & (kBufferBits - 1);
}

inline unsigned EntryOperation(DecodeEntry entry) {
  return (entry >> 8) & 0x7F;
}

inline unsigned EntryValue(DecodeEntry entry) {
  return entry >> 16;
}

// What the fast loop decodes a length with when the block has no distance code.
constexpr DecodeEntry kNoDistanceCode = MakeDecodeEntry(kOpInvalid, 0, 0);

struct BitState {
  BitBuffer buffer;  // bits above `count` are zero or the input's next bits
  unsigned count;
  int bytesPastEnd;
};

// Under AddressSanitizer, a guard past the slack is poisoned, so that a write
// past the slack is reported where it happens: it would otherwise land on the
// fields that follow, within the same object, where the sanitizer does not
// look. It is wider than any one move of a copy.
#ifdef INFLATER_GUARDS_WINDOWS
constexpr unsigned kWindowGuard = 2 * kPairCopyStep;
#else
constexpr unsigned kWindowGuard = 0;
#endif

struct Inflater {
  // The run of windows, and room past its end for what one fast step decodes
  // beyond the last window before it is written.
  unsigned char windows[kRunWindows * kWindowSize + kWindowSlack + kWindowGuard];
  unsigned char* window;    // the current window, at least one into the run
  unsigned windowPosition;  // bytes in the current window
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

// Fills the buffer with whole bytes from a word of the member's data, which
// must hold a word: to at least kRefillBits bits, at most kMaxRefilledBits.
inline void RefillWord(BitBuffer& buffer, unsigned& count, const unsigned char*& next) {
  BitBuffer word;
  std::memcpy(&word, next, sizeof word);
  buffer |= word << count;
  next += (kMaxRefilledBits - count) / 8;
  count |= kRefillBits;
}

inline void NeedBits(BitState& bits, unsigned count) {
  if (bits.count >= count) return;
  // While the member has bytes to spare, fill the buffer in one go; near its
  // end, take only what is needed, so that the bytes past it are counted right.
  if (MemberBytesLeft() >= static_cast<int32_t>(sizeof(BitBuffer))) {
    const unsigned char* next = MemberBytes();
    RefillWord(bits.buffer, bits.count, next);
    SkipMemberBytes(static_cast<uint32_t>(next - MemberBytes()));
    return;
  }
  while (bits.count < count) {
    int byte = NextMemberByte();
    if (byte < 0) ++bits.bytesPastEnd;
    bits.buffer |= static_cast<BitBuffer>(static_cast<unsigned char>(byte)) << bits.count;
    bits.count += 8;
  }
}

inline void DropBits(BitState& bits, unsigned count) {
  bits.buffer >>= count;
  bits.count -= count;
}

inline unsigned TakeBits(BitState& bits, unsigned count) {
  NeedBits(bits, count);
  unsigned value = static_cast<unsigned>(bits.buffer) & kMasks[count];
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
  unsigned code;                        // the current code, bit-reversed
  unsigned above;                       // code bits decoded by the tables above the current one
  unsigned depth;                       // tables open; the current one is depth - 1
  unsigned tables[kMaxCodeLength + 1];  // where each open table starts in `entries`
  unsigned sizes[kMaxCodeLength + 1];
  unsigned prefixes[kMaxCodeLength + 1];
  DecodeEntry* entries;  // every table of the code, the root first
  unsigned used;
  unsigned capacity;
};

// Frees a table and its sub-tables, which share its allocation.
void FreeDecodeTables(DecodeEntry* table) {
  std::free(table);
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

// Makes room for a table of 2^size entries after the tables built so far and
// returns where it starts; false when there is no memory for it.
bool AllocateTable(TableBuild& build, unsigned size, unsigned& start) {
  unsigned needed = build.used + (1u << size);
  if (needed > kMaxTableEntries) return false;
  if (needed > build.capacity) {
    unsigned capacity = needed + needed / 2;
    void* grown = std::realloc(build.entries, capacity * sizeof(DecodeEntry));
    if (grown == nullptr) return false;
    build.entries = static_cast<DecodeEntry*>(grown);
    build.capacity = capacity;
  }
  start = build.used;
  build.used = needed;
  return true;
}

// Opens a table one level below the current one for the current code; false
// when there is no memory for it.
bool OpenTable(TableBuild& build, unsigned length, unsigned pending) {
  if (build.depth > 0) build.above += build.sizes[build.depth - 1];
  unsigned size = ChooseTableSize(build, length, pending);
  unsigned start = 0;
  if (!AllocateTable(build, size, start)) return false;
  if (build.depth > 0) {
    unsigned parentSize = build.sizes[build.depth - 1];
    unsigned index = (build.code & kMasks[build.above]) >> (build.above - parentSize);
    build.entries[build.tables[build.depth - 1] + index] =
        MakeDecodeEntry(kOpLiteral + size, parentSize, start / 2);
  }
  build.tables[build.depth] = start;
  build.sizes[build.depth] = size;
  build.prefixes[build.depth] = build.code & kMasks[build.above];
  ++build.depth;
  return true;
}

DecodeEntry MakeEntry(TableBuild& build, unsigned length) {
  unsigned bits = length - build.above;
  if (build.nextSymbol >= build.symbolCount) return MakeDecodeEntry(kOpInvalid, bits, 0);
  unsigned symbol = gInflater.valueList[build.nextSymbol++];
  if (symbol < build.simpleCount) {
    return MakeDecodeEntry(symbol < 256 ? kOpLiteral : kOpEndOfBlock, bits, symbol);
  }
  return MakeDecodeEntry(build.extraBits[symbol - build.simpleCount], bits,
                         build.bases[symbol - build.simpleCount]);
}

// Places the current code's entry in every slot of the current table whose low
// bits are the code's bits at this level.
void PlaceEntry(TableBuild& build, unsigned length) {
  DecodeEntry entry = MakeEntry(build, length);
  DecodeEntry* table = build.entries + build.tables[build.depth - 1];
  unsigned size = 1u << build.sizes[build.depth - 1];
  for (unsigned index = build.code >> build.above; index < size; index += 1u << EntryBits(entry)) {
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
    std::free(build.entries);
    return kInflateNoMemory;
  }
  *table = build.entries;
  *lookupBits = build.sizes[0];
  return unused != 0 && build.longest != 1 ? kInflateInvalidData : kInflateDone;
}

// Writes the current window once it is full; the next one follows it, with
// what was decoded past its end already in place.
void FlushFullWindow(unsigned& position) {
  if (position < kWindowSize) return;
  unsigned char* window = gInflater.window;
  WriteMemberData(window, kWindowSize);
  position -= kWindowSize;
  window += kWindowSize;
  if (window + kWindowSize > gInflater.windows + kRunWindows * kWindowSize) {
    std::memcpy(gInflater.windows, window - kWindowSize, kWindowSize + position);
    window = gInflater.windows + kWindowSize;
  }
  gInflater.window = window;
}

// Copies `length` bytes two words at a time, in whole steps, so it may write
// up to a step less one byte past them. Moving forward, this gives what a
// byte-by-byte copy gives where the source is at least a word behind the
// destination.
inline void CopyWords(unsigned char* out, const unsigned char* from, unsigned length) {
  unsigned char* end = out + length;
  do {
    std::memcpy(out, from, kCopyWord);
    std::memcpy(out + kCopyWord, from + kCopyWord, kCopyWord);
    out += kWordCopyStep;
    from += kWordCopyStep;
  } while (out < end);
}

// Copies `length` bytes two word pairs at a time, in whole steps: as
// CopyWords, where the source is a word pair back or more.
inline void CopyWordPairs(unsigned char* out, const unsigned char* from, unsigned length) {
  unsigned char* end = out + length;
  do {
    std::memcpy(out, from, 2 * kCopyWord);
    std::memcpy(out + 2 * kCopyWord, from + 2 * kCopyWord, 2 * kCopyWord);
    out += kPairCopyStep;
    from += kPairCopyStep;
  } while (out < end);
}

// Copies a match of `length` bytes from `distance` back (1..32768) to `out`
// and returns its end; it writes no more than kMaxMatchWrite bytes. Words
// copied from less than a word back are right for as many bytes as the
// distance, so a longer match from there is first repeated byte by byte,
// until the bytes written repeat a word or more back.
inline unsigned char* CopyMatch(unsigned char* out, unsigned distance, unsigned length) {
  unsigned char* end = out + length;
  if (kCopyPairs && distance >= 2 * kCopyWord) {
    CopyWordPairs(out, out - distance, length);
    return end;
  }
  if (distance >= kCopyWord || length <= distance) {
    CopyWords(out, out - distance, length);
    return end;
  }
  unsigned span = kRepeatSpans[distance];
  unsigned char* stop = out + (span < length ? span : length);
  const unsigned char* from = out - distance;
  do {
    *out++ = *from++;
  } while (out < stop);
  if (out < end) CopyWords(out, out - span, static_cast<unsigned>(end - out));
  return end;
}

// The tables of one block and their root lookup bits.
struct BlockCodes {
  const DecodeEntry* literals;
  const DecodeEntry* distances;
  unsigned literalBits;
  unsigned distanceBits;
};

enum class RunEnd { kEndOfBlock, kInvalid, kInputLow };

// The fast loop's bit state, kept in registers; `next` runs ahead of the
// reader, which takes what was used when the loop ends.
struct FastBits {
  BitBuffer buffer;
  unsigned count;
  const unsigned char* next;
};

inline void DropFast(FastBits& bits, DecodeEntry entry) {
  bits.buffer >>= EntryBits(entry);
  bits.count -= EntryBits(entry);
}

// The entry's value plus as many extra bits as its operation says, dropped.
inline unsigned TakeExtraFast(FastBits& bits, DecodeEntry entry) {
  unsigned extra = EntryOperation(entry);
  unsigned value = EntryValue(entry) + (static_cast<unsigned>(bits.buffer) & kMasks[extra]);
  bits.buffer >>= extra;
  bits.count -= extra;
  return value;
}

// Follows a link entry to the entry of the code in the sub-tables, whose bits
// are all in the buffer, dropping the bits of each link. The entry found keeps
// its bits; an invalid code comes back as operation 99.
inline DecodeEntry FollowLinks(const DecodeEntry* table, DecodeEntry entry, FastBits& bits) {
  do {
    DropFast(bits, entry);
    unsigned subBits = EntryOperation(entry) - kOpLiteral;
    unsigned subIndex = static_cast<unsigned>(bits.buffer) & ((1u << subBits) - 1);
    entry = table[EntryValue(entry) * 2u + subIndex];
  } while (IsLink(entry));
  return entry;
}

// Looks up a code whose bits are all in the buffer: its root entry, then the
// entries the links lead to.
inline DecodeEntry FindEntry(const DecodeEntry* table, BitBuffer mask, FastBits& bits) {
  DecodeEntry entry = table[bits.buffer & mask];
  return IsLink(entry) ? FollowLinks(table, entry, bits) : entry;
}

// Decodes a match's length, from its code's entry, and its distance, and
// copies it; false for an invalid distance code. The buffer holds the length
// code's bits.
inline bool DecodeMatchFast(const BlockCodes& codes, BitBuffer distanceMask, DecodeEntry entry,
                            FastBits& bits, unsigned char*& out) {
  DropFast(bits, entry);
  RefillWord(bits.buffer, bits.count, bits.next);
  unsigned length = TakeExtraFast(bits, entry);
  entry = FindEntry(codes.distances, distanceMask, bits);
  if (EntryOperation(entry) == kOpInvalid) return false;
  DropFast(bits, entry);
  if (kBufferBits < 64 && bits.count < EntryOperation(entry)) {
    RefillWord(bits.buffer, bits.count, bits.next);
  }
  out = CopyMatch(out, TakeExtraFast(bits, entry), length);
  return true;
}

// Decodes while the member has bytes to spare, with no end checks per symbol:
// each step refills the buffer from the member's data, then decodes literals
// while the buffer holds a whole code, then a match or the end of the block.
RunEnd DecodeFast(const BlockCodes& codes, FastBits& bits, unsigned& position,
                  const unsigned char* inputLimit) {
  const BitBuffer literalMask = (BitBuffer{1} << codes.literalBits) - 1;
  const BitBuffer distanceMask = (BitBuffer{1} << codes.distanceBits) - 1;
  unsigned char* window = gInflater.window;
  unsigned char* out = window + position;
  RunEnd end = RunEnd::kInputLow;
  while (bits.next < inputLimit) {
    if (out >= window + kWindowSize) {
      position = static_cast<unsigned>(out - window);
      FlushFullWindow(position);
      window = gInflater.window;
      out = window + position;
    }
    RefillWord(bits.buffer, bits.count, bits.next);
    DecodeEntry entry = FindEntry(codes.literals, literalMask, bits);
    while (IsLiteral(entry)) {
      DropFast(bits, entry);
      *out++ = static_cast<unsigned char>(EntryValue(entry));
      if (bits.count < kMaxCodeBits) break;
      entry = FindEntry(codes.literals, literalMask, bits);
    }
    if (IsLiteral(entry)) continue;
    unsigned operation = EntryOperation(entry);
    if (operation < kOpEndOfBlock) {
      if (DecodeMatchFast(codes, distanceMask, entry, bits, out)) continue;
      end = RunEnd::kInvalid;
    } else if (operation == kOpEndOfBlock) {
      DropFast(bits, entry);
      end = RunEnd::kEndOfBlock;
    } else {
      end = RunEnd::kInvalid;
    }
    break;
  }
  position = static_cast<unsigned>(out - window);
  return end;
}

// Looks up one code: the root entry, then the sub-table entries it links to.
// Returns false for an invalid code.
inline bool DecodeSymbol(BitState& bits, const DecodeEntry* table, unsigned lookupBits,
                         DecodeEntry& entry) {
  NeedBits(bits, lookupBits);
  entry = table[bits.buffer & kMasks[lookupBits]];
  while (EntryOperation(entry) > kOpLiteral) {
    if (EntryOperation(entry) == kOpInvalid) return false;
    DropBits(bits, EntryBits(entry));
    unsigned subBits = EntryOperation(entry) - kOpLiteral;
    NeedBits(bits, subBits);
    entry = table[EntryValue(entry) * 2u + (bits.buffer & kMasks[subBits])];
  }
  DropBits(bits, EntryBits(entry));
  return true;
}

// Decodes near and past the end of the member's data, taking bytes only as
// they are needed, so that the bytes asked for past the end are counted. Each
// symbol starts in a window that is not full, as a fast step does: the fast
// loop may hand over with its last step past the window's end.
RunEnd DecodeCareful(const BlockCodes& codes, BitState& bits, unsigned& position) {
  DecodeEntry entry = 0;
  while (!IsPastLookAhead(bits)) {
    FlushFullWindow(position);
    if (!DecodeSymbol(bits, codes.literals, codes.literalBits, entry)) break;
    if (EntryOperation(entry) == kOpLiteral) {
      gInflater.window[position++] = static_cast<unsigned char>(EntryValue(entry));
      continue;
    }
    if (EntryOperation(entry) == kOpEndOfBlock) return RunEnd::kEndOfBlock;
    unsigned length = EntryValue(entry) + TakeBits(bits, EntryOperation(entry));
    if (codes.distances == nullptr) break;
    if (!DecodeSymbol(bits, codes.distances, codes.distanceBits, entry)) break;
    unsigned distance = EntryValue(entry) + TakeBits(bits, EntryOperation(entry));
    unsigned char* out = gInflater.window + position;
    position += static_cast<unsigned>(CopyMatch(out, distance, length) - out);
  }
  return RunEnd::kInvalid;
}

// Runs the fast loop while the member has bytes to spare, from the bit state
// of the block; the reader then takes the bytes it used.
RunEnd DecodeWhileInputLasts(BlockCodes codes, BitState& bits, unsigned& position) {
  int32_t left = MemberBytesLeft();
  if (left <= kFastInputMargin) return RunEnd::kInputLow;
  if (codes.distances == nullptr) {
    codes.distances = &kNoDistanceCode;
    codes.distanceBits = 0;
  }
  const unsigned char* start = MemberBytes();
  FastBits fast = {bits.buffer, bits.count, start};
  RunEnd end = DecodeFast(codes, fast, position, start + (left - kFastInputMargin));
  SkipMemberBytes(static_cast<uint32_t>(fast.next - start));
  bits.buffer = fast.buffer;
  bits.count = fast.count;
  return end;
}

// Decodes literals and matches until the end of the block; false for invalid
// data, including a stream that has run off the member's end.
bool DecodeHuffmanData(const DecodeEntry* literalTable, const DecodeEntry* distanceTable,
                       unsigned literalBits, unsigned distanceBits) {
  if (literalTable == nullptr) return false;
  BlockCodes codes = {literalTable, distanceTable, literalBits, distanceBits};
  BitState& bits = gInflater.bits;
  unsigned position = gInflater.windowPosition;
  RunEnd end = DecodeWhileInputLasts(codes, bits, position);
  if (end == RunEnd::kInputLow) end = DecodeCareful(codes, bits, position);
  FlushFullWindow(position);
  gInflater.windowPosition = position;
  return end == RunEnd::kEndOfBlock;
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
  if (length == 0) return;
  // The buffer is empty; the bits it held past its count are what is copied now.
  bits.buffer = 0;
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
    DecodeEntry entry = 0;
    if (!DecodeSymbol(bits, table, lookupBits, entry) || EntryOperation(entry) != kOpLiteral) {
      return kInflateInvalidData;
    }
    unsigned symbol = EntryValue(entry);
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

int DecodeBlocks() {
  bool last = false;
  while (!last) {
    int result = DecodeBlock(last);
    if (result != kInflateDone) return result;
    if (IsPastLookAhead(gInflater.bits)) return kInflateInvalidData;
  }
  return kInflateDone;
}

// Starts the first member's window one window into the run, after a history
// of zeros, and poisons the guard.
void StartWindows() {
  gInflater.window = gInflater.windows + kWindowSize;
#ifdef INFLATER_GUARDS_WINDOWS
  ASAN_POISON_MEMORY_REGION(gInflater.windows + kRunWindows * kWindowSize + kWindowSlack,
                            kWindowGuard);
#endif
}

// Makes the window as this member leaves it, with positions wrapping around
// it, the history of the next: the next member's first byte follows the
// window's last, not this member's last, and reaches back to it first.
void KeepWindowForNextMember() {
  unsigned char* start = gInflater.windows + kWindowSize;
  unsigned char* window = gInflater.window;
  unsigned position = gInflater.windowPosition;
  if (window != start) {
    std::memcpy(start - kWindowSize + position, window - kWindowSize + position,
                kWindowSize - position);
  }
  std::memcpy(start - kWindowSize, window, position);
  gInflater.window = start;
}

}  // namespace

int Inflate() {
  if (gInflater.window == nullptr) StartWindows();
  gInflater.windowPosition = 0;
  gInflater.bits = BitState{};
  int result = DecodeBlocks();
  if (result == kInflateDone) WriteMemberData(gInflater.window, gInflater.windowPosition);
  KeepWindowForNextMember();
  return result;
}

int CountFixedTableBuilds() {
  return gInflater.fixedTableBuilds;
}
