// Guards against streams decoded wrongly or accepted when they should fail: odd
// but valid code sets, invalid symbols and codes, window edges, writes past the
// decoder's windows, and streams that run past their data.
#include "archive/inflater.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "deflate_writer.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Decoded {
  int result;
  std::string data;
  std::vector<uint32_t> writes;
  std::string diagnostics;
};

class RecordingSink : public ByteSink {
 public:
  void Write(const unsigned char* bytes, uint32_t count) override {
    decoded->data.append(reinterpret_cast<const char*>(bytes), count);
    decoded->writes.push_back(count);
  }
  Decoded* decoded;
};

// Whether Decode keeps the decoder's diagnostics from the standard error
// stream, or lets them through with whatever a sanitizer reports there.
enum class Stderr { kCaptured, kShown };

// Decodes from an exact-size copy, so that the sanitizers see any stray read.
Decoded Decode(const Bytes& stream, Stderr stderrUse = Stderr::kCaptured) {
  Decoded decoded{};
  RecordingSink sink;
  sink.decoded = &decoded;
  std::unique_ptr<unsigned char[]> copy(new unsigned char[stream.size()]);
  if (!stream.empty()) std::memcpy(copy.get(), stream.data(), stream.size());
  if (stderrUse == Stderr::kCaptured) testing::internal::CaptureStderr();
  decoded.result = InflateMemory(copy.get(), static_cast<uint32_t>(stream.size()), sink);
  if (stderrUse == Stderr::kCaptured) decoded.diagnostics = testing::internal::GetCapturedStderr();
  return decoded;
}

Bytes MakeStoredStream(const std::string& content) {
  Bytes stream = {0x01, static_cast<unsigned char>(content.size() & 0xFF),
                  static_cast<unsigned char>(content.size() >> 8)};
  stream.push_back(static_cast<unsigned char>(~content.size() & 0xFF));
  stream.push_back(static_cast<unsigned char>((~content.size() >> 8) & 0xFF));
  stream.insert(stream.end(), content.begin(), content.end());
  return stream;
}

TEST(Inflate, CopiesStoredBlocksAndChecksTheirLength) {
  Decoded empty = Decode(MakeStoredStream(""));
  EXPECT_EQ(empty.result, kInflateDone);
  EXPECT_EQ(empty.writes, std::vector<uint32_t>{0});
  EXPECT_EQ(Decode(MakeStoredStream("abc")).data, "abc");
  // NLEN is off by one; the five bytes are there, so only the complement can fail it.
  EXPECT_EQ(Decode({0x01, 0x05, 0x00, 0xFB, 0xFF, 'a', 'b', 'c', 'd', 'e'}).result,
            kInflateInvalidData);
  EXPECT_EQ(Decode({0x07}).result, kInflateBadCode);  // block type 3
}

TEST(Inflate, WritesWholeWindowsThenTheRest) {
  std::string window(32768, 'w');
  EXPECT_EQ(Decode(MakeStoredStream(window)).writes, (std::vector<uint32_t>{32768, 0}));
  EXPECT_EQ(Decode(MakeStoredStream(window + "x")).writes, (std::vector<uint32_t>{32768, 1}));
}

// Fixed codes: literals 0x30 + byte in 8 bits, end of block 0 in 7 bits, the
// length symbol 257 as 1 in 7 bits, distances in 5 bits.
Bytes MakeFixedStream(const std::vector<std::pair<uint32_t, unsigned>>& codes) {
  BitWriter writer;
  writer.Put(1, 1);
  writer.Put(1, 2);
  for (const auto& code : codes) writer.PutCode(code.first, code.second);
  writer.PutCode(0, 7);
  return writer.bytes();
}

TEST(Inflate, BuildsFixedTablesOnceAndRejectsTheirInvalidSymbols) {
  EXPECT_LE(CountFixedTableBuilds(), 1);
  Decoded first = Decode(MakeFixedStream({{0x30 + 'h', 8}, {0x30 + 'i', 8}}));
  EXPECT_EQ(first.result, kInflateDone);
  EXPECT_EQ(first.data, "hi");
  EXPECT_EQ(Decode(MakeFixedStream({{0x30 + 'a', 8}, {1, 7}, {0, 5}})).data, "aaaa");
  EXPECT_EQ(CountFixedTableBuilds(), 1);
  EXPECT_EQ(Decode(MakeFixedStream({{0xC6, 8}})).result, kInflateInvalidData);  // symbol 286
  EXPECT_EQ(Decode(MakeFixedStream({{0x30, 8}, {1, 7}, {30, 5}})).result, kInflateInvalidData);
}

TEST(Inflate, MatchBeforeTheMemberStartCopiesTheOldWindow) {
  std::string previous;
  for (int i = 0; i < 32768; ++i) previous += static_cast<char>('A' + i % 26);
  ASSERT_EQ(Decode(MakeStoredStream(previous)).result, kInflateDone);
  // Length 3, distance 100: symbol 13 (base 97) with 3 in its five extra bits.
  BitWriter writer;
  writer.Put(1, 1);
  writer.Put(1, 2);
  writer.PutCode(1, 7);
  writer.PutCode(13, 5);
  writer.Put(3, 5);
  // Length 3, distance 32768: symbol 29 (base 24577) with 8191 in its 13 extra bits.
  writer.PutCode(1, 7);
  writer.PutCode(29, 5);
  writer.Put(8191, 13);
  writer.PutCode(0, 7);
  EXPECT_EQ(Decode(writer.bytes()).data, previous.substr(32768 - 100, 3) + previous.substr(3, 3));
}

TEST(Inflate, EndsStreamsThatRunPastTheirData) {
  // A fixed block with no end: the all-one bits past the end decode as 255s.
  Decoded endless = Decode({0x03});
  EXPECT_EQ(endless.result, kInflateInvalidData);
  EXPECT_TRUE(endless.data.empty());
  Bytes cut = MakeFixedStream({{0x30 + 'a', 8}, {0x30 + 'b', 8}});
  cut.pop_back();
  EXPECT_EQ(Decode(cut).result, kInflateInvalidData);
}

// Eight three-bit codes, a complete literal/length code.
std::vector<int> MakeThreeBitCode(size_t count, std::vector<int> symbols) {
  std::vector<int> lengths(count, 0);
  for (int symbol : symbols) lengths[symbol] = 3;
  return lengths;
}

Bytes MakeDynamicStream(const std::vector<int>& literals, const std::vector<int>& distances,
                        const std::vector<std::pair<int, int>>& symbols) {
  BitWriter writer;
  PutDynamicLengths(writer, literals, distances);
  for (const auto& item : symbols) {
    EncodeSymbol(writer, item.first == 0 ? literals : distances, item.second);
  }
  return writer.bytes();
}

constexpr int kLit = 0, kDist = 1;

TEST(Inflate, AcceptsAlphabetsOf287And288ButNotTheirTopSymbols) {
  struct Case {
    std::vector<int> literals;
    std::vector<int> tops;
  };
  const Case cases[] = {
      {MakeThreeBitCode(287, {'a', 'b', 'c', 'd', 256, 257, 258, 286}), {286}},
      {MakeThreeBitCode(288, {'a', 'b', 'c', 'd', 256, 257, 286, 287}), {286, 287}},
  };
  for (const Case& test : cases) {
    Decoded plain = Decode(MakeDynamicStream(test.literals, {1}, {{kLit, 'a'}, {kLit, 256}}));
    EXPECT_EQ(plain.result, kInflateDone);
    EXPECT_EQ(plain.data, "a");
    for (int top : test.tops) {
      Decoded invalid = Decode(MakeDynamicStream(test.literals, {1}, {{kLit, 'a'}, {kLit, top}}));
      EXPECT_EQ(invalid.result, kInflateInvalidData) << top << " of " << test.literals.size();
    }
  }
}

TEST(Inflate, ReportsAnIncompleteDistanceCodeButUsesIt) {
  std::vector<int> literals(258, 0);
  literals['a'] = literals[256] = 2;
  literals[257] = 1;
  const std::vector<std::pair<int, int>> match = {
      {kLit, 'a'}, {kLit, 257}, {kDist, 0}, {kLit, 256}};
  Decoded single = Decode(MakeDynamicStream(literals, {1}, match));
  EXPECT_EQ(single.result, kInflateDone);
  EXPECT_EQ(single.data, "aaaa");
  EXPECT_EQ(single.diagnostics, "");
  Decoded incomplete = Decode(MakeDynamicStream(literals, {2, 2}, match));
  EXPECT_EQ(incomplete.result, kInflateDone);
  EXPECT_EQ(incomplete.data, "aaaa");
  EXPECT_EQ(incomplete.diagnostics, "(incomplete d-tree)  ");
}

// Symbols 0..7 take one to eight bits; 8 and the end share one nine-bit prefix
// with ten bits each, and 9, 10, 11 and 257 fill the last prefix with eleven,
// in tables cut short where the end-of-block code ends.
TEST(Inflate, DecodesCodesLongerThanTheEndOfBlockCodeBelowItsTableEdge) {
  std::vector<int> literals(258, 0);
  for (int symbol = 0; symbol < 8; ++symbol) literals[symbol] = symbol + 1;
  literals[8] = literals[256] = 10;
  literals[9] = literals[10] = literals[11] = literals[257] = 11;
  Decoded decoded = Decode(MakeDynamicStream(
      literals, {1}, {{kLit, 9}, {kLit, 11}, {kLit, 8}, {kLit, 10}, {kLit, 256}}));
  EXPECT_EQ(decoded.result, kInflateDone);
  EXPECT_EQ(decoded.data, "\x09\x0b\x08\x0a");
}

TEST(Inflate, RejectsBadLiteralAndDistanceCodes) {
  std::vector<int> literals(258, 0);
  literals['a'] = 1;
  literals[256] = literals[257] = 2;
  Decoded incomplete = Decode(MakeDynamicStream({literals.begin(), literals.end() - 1}, {1}, {}));
  EXPECT_EQ(incomplete.result, kInflateInvalidData);  // 'a' 1 bit, end 2 bits: one code unused
  EXPECT_EQ(incomplete.diagnostics, "(incomplete l-tree)  ");
  std::vector<int> crowded = literals;
  crowded['b'] = 1;
  EXPECT_EQ(Decode(MakeDynamicStream(crowded, {1}, {})).result, kInflateBadCode);
  EXPECT_EQ(Decode(MakeDynamicStream(literals, {1, 1, 1}, {})).result, kInflateBadCode);

  // Without any distance code a block decodes until it meets a length.
  EXPECT_EQ(Decode(MakeDynamicStream(literals, {0}, {{kLit, 'a'}, {kLit, 256}})).data, "a");
  EXPECT_EQ(Decode(MakeDynamicStream(literals, {0}, {{kLit, 'a'}, {kLit, 257}})).result,
            kInflateInvalidData);

  std::vector<int> distances(32, 0);
  distances[0] = distances[1] = distances[30] = distances[31] = 2;
  EXPECT_EQ(Decode(MakeDynamicStream(literals, distances,
                                     {{kLit, 'a'}, {kLit, 257}, {kDist, 0}, {kLit, 256}}))
                .data,
            "aaaa");
  for (int symbol : {30, 31}) {
    Decoded decoded =
        Decode(MakeDynamicStream(literals, distances, {{kLit, 'a'}, {kLit, 257}, {kDist, symbol}}));
    EXPECT_EQ(decoded.result, kInflateInvalidData) << symbol;
  }
}

// The literal code: 'a' and end of block, one bit each, no distance code.
Bytes MakeHeaderStream(const std::vector<int>& lengthCode, std::vector<LengthSymbol> symbols) {
  BitWriter writer;
  PutDynamicHeader(writer, 257, 1, lengthCode, symbols);
  writer.PutCode(0, 1);
  writer.PutCode(1, 1);
  return writer.bytes();
}

std::vector<LengthSymbol> MakeOneBitLiteralLengths(int from) {
  std::vector<LengthSymbol> symbols;
  for (int symbol = from; symbol < 258; ++symbol) {
    symbols.push_back({symbol == 'a' || symbol == 256 ? 1 : 0, 0});
  }
  return symbols;
}

TEST(Inflate, ReadsCodeLengthRepeatsAndChecksTheirCode) {
  std::vector<LengthSymbol> repeatFirst = {{16, 0}};  // three lengths of 0
  for (const LengthSymbol& item : MakeOneBitLiteralLengths(3)) repeatFirst.push_back(item);
  Decoded decoded = Decode(MakeHeaderStream(MakeFullCodeLengthCode(), repeatFirst));
  EXPECT_EQ(decoded.result, kInflateDone);
  EXPECT_EQ(decoded.data, "a");

  std::vector<LengthSymbol> overlong = MakeOneBitLiteralLengths(0);
  overlong.back() = {17, 0};  // three zeros where one length is left
  EXPECT_EQ(Decode(MakeHeaderStream(MakeFullCodeLengthCode(), overlong)).result,
            kInflateInvalidData);

  std::vector<int> incomplete(19, 0);
  incomplete[0] = incomplete[1] = 2;
  Decoded unused = Decode(MakeHeaderStream(incomplete, {}));
  EXPECT_EQ(unused.result, kInflateInvalidData);
  EXPECT_EQ(unused.diagnostics, "");
  std::vector<int> crowded(19, 1);
  EXPECT_EQ(Decode(MakeHeaderStream(crowded, {})).result, kInflateBadCode);
}

// Inputs that once made the decoder write past its windows and then hand out
// a window from a pointer that write had hit.
TEST(Inflate, EndsInputsThatOnceWrotePastTheWindows) {
  const std::pair<const char*, int> inputs[] = {
      {"inflate-past-windows.bin", kInflateDone},
      {"inflate-past-windows-32bit.bin", kInflateInvalidData}};
  for (const auto& input : inputs) {
    std::ifstream file(std::string(ARCHIVE_TEST_DATA "/") + input.first, std::ios::binary);
    Bytes stream((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(stream.empty()) << input.first;
    EXPECT_EQ(Decode(stream, Stderr::kShown).result, input.second) << input.first;
  }
}

// Writes a stream in one dynamic block and keeps the output it decodes to.
// 'a' takes one bit, a 258-byte match (symbol 285) two, 'b', 'c' and 'd' four,
// 'e' and the end five; distances 1-4, 5-6, 7-8, 17-24 and 25-32 three bits.
class LongMatchStream {
 public:
  LongMatchStream() : literals_(286, 0), distances_(10, 0) {
    literals_['a'] = 1;
    literals_[285] = 2;
    literals_['b'] = literals_['c'] = literals_['d'] = 4;
    literals_['e'] = literals_[256] = 5;
    for (int symbol : {0, 1, 2, 3, 4, 5, 8, 9}) distances_[symbol] = 3;
    literalCodes_ = MakeCanonicalCodes(literals_);
    distanceCodes_ = MakeCanonicalCodes(distances_);
    PutDynamicLengths(writer_, literals_, distances_);
  }
  void PutLiteral(char letter) {
    PutSymbol(letter);
    output_ += letter;
  }
  // A match of 258 bytes from 1..8 or 17..32 back.
  void PutLongMatch(unsigned distance) {
    static const unsigned kBases[] = {1, 2, 3, 4, 5, 7, 17, 25};
    static const int kSymbols[] = {0, 1, 2, 3, 4, 5, 8, 9};
    static const unsigned kExtraBits[] = {0, 0, 0, 0, 1, 1, 3, 3};
    int code = 7;
    while (kBases[code] > distance) --code;
    PutSymbol(285);
    writer_.PutCode(distanceCodes_[kSymbols[code]], 3);
    writer_.Put(distance - kBases[code], kExtraBits[code]);
    for (int i = 0; i < 258; ++i) output_ += output_[output_.size() - distance];
  }
  void PutEnd() { PutSymbol(256); }
  size_t bitCount() const { return writer_.bitCount(); }
  const std::string& output() const { return output_; }
  const Bytes& bytes() const { return writer_.bytes(); }

 private:
  void PutSymbol(int symbol) { writer_.PutCode(literalCodes_[symbol], literals_[symbol]); }
  std::vector<int> literals_;
  std::vector<int> distances_;
  std::vector<uint32_t> literalCodes_;
  std::vector<uint32_t> distanceCodes_;
  BitWriter writer_;
  std::string output_;
};

// The decoder keeps four windows in a row; the third window of a member's
// output is the last of them, and a fast step that starts near its end writes
// past it. A step tops its bit buffer up with whole bytes, to between a word
// less eight bits and a word less one (`refill` = 0..7 above the first, as the
// stream's bit position decides), then decodes literals while 15 bits remain:
// with a one-bit literal code, up to `refill` + a word less 23 literals before
// a match. This stream starts such a step `offset` bytes before the last
// window's end, gives it those literals and a 258-byte match from `distance`
// back, and ends with `tail` more, from 17 to 32 back: a byte each.
LongMatchStream MakeRunEndStream(unsigned offset, unsigned refill, unsigned distance,
                                 unsigned tail) {
  constexpr unsigned kWordBits = sizeof(uintptr_t) * 8;
  LongMatchStream stream;
  for (char letter : {'b', 'c', 'd', 'e'}) stream.PutLiteral(letter);
  size_t stepStart = 3 * 32768 - offset;
  size_t matches = (stepStart - 4 - 32) / 258;
  size_t literals = stepStart - 4 - 258 * matches;
  // Matches take eight bits; each 'b' instead of an 'a' moves the step three
  // bits on, and the step's refill grows as its bit position falls mod 8.
  size_t wanted = (8 - refill) % 8;
  size_t shift = 3 * ((wanted + 8 - (stream.bitCount() + literals) % 8) % 8) % 8;
  for (size_t i = 0; i < literals; ++i) stream.PutLiteral(i < shift ? 'b' : 'a');
  for (size_t i = 0; i < matches; ++i) stream.PutLongMatch(17 + i % 16);
  EXPECT_EQ(stream.bitCount() % 8, wanted);
  EXPECT_EQ(stream.output().size(), stepStart);
  for (unsigned i = 0; i < kWordBits - 23 + refill; ++i) stream.PutLiteral('a');
  stream.PutLongMatch(distance);
  for (unsigned i = 0; i < tail; ++i) stream.PutLongMatch(17 + i % 16);
  stream.PutEnd();
  return stream;
}

// Each step that starts in the last 64 bytes of the run, after each refill,
// with a match from far back (copied a word pair at a time) or from less than
// a word back (repeated); and, with the member's last bytes starting at each
// point around such a step, the one where the fast loop hands over right after
// it, so that the careful decoding of the rest starts with the window full.
TEST(Inflate, DecodesStepsThatEndPastTheRunOfWindows) {
  std::vector<std::string> failed;
  auto check = [&failed](const LongMatchStream& stream, const std::string& name) {
    Decoded decoded = Decode(stream.bytes(), Stderr::kShown);
    if (decoded.result != kInflateDone || decoded.data != stream.output()) failed.push_back(name);
  };
  for (unsigned refill = 0; refill < 8; ++refill) {
    for (unsigned near : {0, 1}) {
      std::string name = std::to_string(refill) + (near ? " near " : " far ");
      for (unsigned offset = 1; offset <= 64; ++offset) {
        unsigned distance = near ? 1 + offset % 7 : 17 + offset % 16;
        check(MakeRunEndStream(offset, refill, distance, 64), name + std::to_string(offset));
      }
      for (unsigned tail = 28; tail < 44; ++tail) {
        check(MakeRunEndStream(1, refill, near ? 7 : 32, tail),
              name + "tail " + std::to_string(tail));
      }
    }
  }
  EXPECT_EQ(failed, std::vector<std::string>{}) << "refill, distance, offset or tail";
}

}  // namespace
