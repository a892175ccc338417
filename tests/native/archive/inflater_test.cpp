// Guards against streams decoded wrongly or accepted when they should fail: odd
// but valid code sets, invalid symbols and codes, window edges, and streams
// that run past their data.
#include "archive/inflater.h"

#include <gtest/gtest.h>

#include <cstring>
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

// Decodes from an exact-size copy, so that the sanitizers see any stray read.
Decoded Decode(const Bytes& stream) {
  Decoded decoded{};
  RecordingSink sink;
  sink.decoded = &decoded;
  std::unique_ptr<unsigned char[]> copy(new unsigned char[stream.size()]);
  if (!stream.empty()) std::memcpy(copy.get(), stream.data(), stream.size());
  testing::internal::CaptureStderr();
  decoded.result = InflateMemory(copy.get(), static_cast<uint32_t>(stream.size()), sink);
  decoded.diagnostics = testing::internal::GetCapturedStderr();
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

}  // namespace
