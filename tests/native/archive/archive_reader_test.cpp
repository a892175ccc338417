// Guards against members written wrongly, partly or damaged, a walk that reads
// outside the archive's bytes, and member names that reach outside the
// destination or name no ordinary file there, also where a character's second
// byte has the value of a separator.
#include "archive/archive_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "common/text_chars.h"
#include "memory_output.h"
#include "zip_writer.h"

namespace {

constexpr char kDirectory[] = "C:\\dest";

// Extracts from an exact-size copy, so that the sanitizers see any stray read.
int Extract(const Bytes& archive, MemoryOutput& output, char* lastPath = nullptr,
            const char* directory = kDirectory) {
  std::unique_ptr<unsigned char[]> copy(new unsigned char[archive.size()]);
  if (!archive.empty()) std::memcpy(copy.get(), archive.data(), archive.size());
  return ExtractArchive(copy.get(), static_cast<uint32_t>(archive.size()), directory, lastPath,
                        output);
}

std::string Text(const MemoryFile& file) {
  return std::string(file.data.begin(), file.data.end());
}

std::string MakeLongText() {
  std::string text;
  for (int i = 0; text.size() < 100000; ++i)
    text += "line " + std::to_string(i * 7919 % 1000) + "\n";
  return text;
}

std::vector<ZipMember> ThreeMembers() {
  return {{"a.txt", "alpha"}, {"b.txt", MakeLongText(), 8}, {"c.txt", "gamma"}};
}

TEST(ExtractArchive, WritesEveryMemberWithContentTimeAndAttributes) {
  std::vector<ZipMember> members = ThreeMembers();
  members[0].attributes = 0x81A40020;  // Unix mode above, archive below
  members[1].attributes = 0x81A40001;
  members[2] = {"empty", "", 0, 0xFF, 0x1234, 0x5678};
  MemoryOutput output;
  char lastPath[kPathSize] = "";
  ASSERT_EQ(Extract(MakeZip(members).bytes, output, lastPath), 1);
  ASSERT_EQ(output.files.size(), 3u);
  const MemoryFile& a = output.files["C:\\dest\\a.txt"];
  EXPECT_EQ(Text(a), "alpha");
  EXPECT_EQ(a.attributes, 0x20u);
  EXPECT_EQ(a.dosDate, 0x5CA1);
  EXPECT_EQ(a.dosTime, 0x6000);
  EXPECT_EQ(Text(output.files["C:\\dest\\b.txt"]), MakeLongText());
  EXPECT_EQ(output.files["C:\\dest\\b.txt"].attributes, 0x21u);
  const MemoryFile& empty = output.files["C:\\dest\\empty"];
  EXPECT_TRUE(empty.data.empty());
  EXPECT_TRUE(empty.dated);
  EXPECT_EQ(empty.attributes, 0x7Fu);  // bit 0x80 is never passed on
  EXPECT_EQ(empty.dosDate, 0x1234);
  EXPECT_EQ(empty.dosTime, 0x5678);
  EXPECT_EQ(output.shown,
            (std::vector<std::string>{"C:\\dest\\a.txt", "C:\\dest\\b.txt", "C:\\dest\\empty"}));
  EXPECT_STREQ(lastPath, "C:\\dest\\empty");
}

TEST(ExtractArchive, FindsTheEndRecordNearestTheEndPastAnyComment) {
  MemoryOutput plain;
  EXPECT_EQ(Extract(MakeZip(ThreeMembers(), "a comment").bytes, plain), 1);
  EXPECT_EQ(plain.files.size(), 3u);

  Zip zip = MakeZip(ThreeMembers());
  Bytes record(zip.bytes.begin() + zip.end, zip.bytes.end());
  MemoryOutput copied;
  EXPECT_EQ(
      Extract(MakeZip(ThreeMembers(), std::string(record.begin(), record.end())).bytes, copied), 1);
  EXPECT_EQ(copied.files.size(), 3u);

  // A bare signature in the comment wins the scan; its record points nowhere useful.
  MemoryOutput fooled;
  std::string bogus = std::string("PK\5\6", 4) + std::string(18, '\0');
  EXPECT_EQ(Extract(MakeZip(ThreeMembers(), bogus).bytes, fooled), 0);
  EXPECT_TRUE(fooled.files.empty());
}

TEST(ExtractArchive, FailsWithoutEndRecordOrEntries) {
  Bytes end = MakeZip({}).bytes;
  for (const Bytes& archive : {Bytes{}, Bytes(21, 'P'), Bytes(end.begin() + 1, end.end()), end}) {
    MemoryOutput output;
    EXPECT_EQ(Extract(archive, output), 0) << archive.size();
    EXPECT_TRUE(output.shown.empty());
  }
}

// What the free-space and folder checks count on: each member's name and
// uncompressed size, also for a deflated one, and a failure where the
// directory breaks off.
TEST(ListArchiveMembers, GivesEachNameAndUncompressedSizeAndFailsOnABrokenDirectory) {
  struct Names : MemberVisitor {
    void Visit(const char* name, uint32_t size) override {
      listed += std::string(name) + "=" + std::to_string(size) + ";";
    }
    std::string listed;
  };
  Zip zip = MakeZip(ThreeMembers());
  Names names;
  EXPECT_EQ(ListArchiveMembers(zip.bytes.data(), zip.bytes.size(), names), 1);
  EXPECT_EQ(names.listed, "a.txt=5;b.txt=" + std::to_string(MakeLongText().size()) + ";c.txt=5;");
  Patch16(zip.bytes, zip.end + kEndEntries, 4);
  Names tooMany;
  EXPECT_EQ(ListArchiveMembers(zip.bytes.data(), zip.bytes.size(), tooMany), 0);
  EXPECT_EQ(tooMany.listed, names.listed);
  Names none;
  EXPECT_EQ(ListArchiveMembers(zip.bytes.data(), 21, none), 0);
  EXPECT_EQ(none.listed, "");
}

TEST(ExtractArchive, WritesCountedMembersThenFailsWhenTheCountIsWrong) {
  for (uint32_t count : {2u, 4u}) {
    Zip zip = MakeZip(ThreeMembers());
    Patch16(zip.bytes, zip.end + kEndEntries, count);
    MemoryOutput output;
    EXPECT_EQ(Extract(zip.bytes, output), 0);
    EXPECT_EQ(output.files.size(), count == 2 ? 2u : 3u);
  }
  Zip gap = MakeZip(ThreeMembers());
  gap.bytes.insert(gap.bytes.begin() + gap.end, {0, 0, 0, 0});
  MemoryOutput output;
  EXPECT_EQ(Extract(gap.bytes, output), 0);
  EXPECT_EQ(output.files.size(), 3u);
}

TEST(ExtractArchive, UsesCentralHeaderWhereLocalHeaderDisagrees) {
  Zip zip = MakeZip({{"name", "stored text"}});
  Patch16(zip.bytes, zip.local[0] + kLocalMethod, 8);
  Patch16(zip.bytes, zip.local[0] + kLocalTime, 0x1111);
  Patch32(zip.bytes, zip.local[0] + kLocalCrc, 0);
  zip.bytes[zip.local[0] + 30] = 'N';  // the local name
  MemoryOutput output;
  EXPECT_EQ(Extract(zip.bytes, output), 1);
  EXPECT_EQ(Text(output.files["C:\\dest\\name"]), "stored text");
  EXPECT_EQ(output.files["C:\\dest\\name"].dosTime, 0x6000);
}

TEST(ExtractArchive, AppendsDirectoryPartsUnchangedAndFailsWhereTheyCannotBeCreated) {
  Zip zip = MakeZip({{"a.txt", "a"}, {"sub/dir\\b.txt", "b"}});
  MemoryOutput output;
  EXPECT_EQ(Extract(zip.bytes, output), 1);
  EXPECT_EQ(Text(output.files["C:\\dest\\sub/dir\\b.txt"]), "b");
  MemoryOutput missing;
  missing.locked.insert("C:\\dest\\sub/dir\\b.txt");
  EXPECT_EQ(Extract(zip.bytes, missing), 0);
  EXPECT_EQ(missing.files.size(), 1u);
}

TEST(ExtractArchive, LastPathHoldsTheMemberThatGotFurthest) {
  char lastPath[kPathSize] = "before";
  MemoryOutput early;
  Zip zip = MakeZip(ThreeMembers());
  Patch32(zip.bytes, zip.central[0] + kCentralLocalOffset, 1);  // no local header there
  EXPECT_EQ(Extract(zip.bytes, early, lastPath), 0);
  EXPECT_STREQ(lastPath, "before");

  std::vector<ZipMember> members = ThreeMembers();
  members[1].method = 12;
  MemoryOutput failed;
  EXPECT_EQ(Extract(MakeZip(members).bytes, failed, lastPath), 0);
  EXPECT_STREQ(lastPath, "C:\\dest\\b.txt");
}

TEST(ExtractArchive, ReportsUnsupportedMethodAndDeletesOnlyThatFile) {
  std::vector<ZipMember> members = ThreeMembers();
  members[1].method = 12;
  MemoryOutput output;
  EXPECT_EQ(Extract(MakeZip(members).bytes, output), 0);
  ASSERT_EQ(output.messages.size(), 1u);
  EXPECT_EQ(output.messages[0],
            "'C:\\dest\\b.txt' is compressed with\nun-handled compression type 12");
  EXPECT_EQ(output.deleted, std::vector<std::string>{"C:\\dest\\b.txt"});
  EXPECT_EQ(output.files.size(), 1u);
  EXPECT_EQ(Text(output.files["C:\\dest\\a.txt"]), "alpha");
}

// A byte of a stored member flipped, or a deflated member whose bytes decode but
// differ from what was packed: the reader says so, and the file goes.
TEST(ExtractArchive, ReportsAndDeletesMembersWhoseCrcDiffers) {
  Zip stored = MakeZip(ThreeMembers());
  stored.bytes[stored.local[2] + 30 + 5 + 2] ^= 0x10;  // "gamma" becomes "gaema"
  Zip deflated = MakeZip(ThreeMembers());
  Patch32(deflated.bytes, deflated.central[1] + kCentralCrc, 0xDEADBEEF);
  const std::pair<Zip, std::string> cases[] = {{stored, "C:\\dest\\c.txt"},
                                               {deflated, "C:\\dest\\b.txt"}};
  for (const auto& [zip, damaged] : cases) {
    MemoryOutput output;
    EXPECT_EQ(Extract(zip.bytes, output), 0);
    ASSERT_EQ(output.messages.size(), 1u);
    EXPECT_EQ(output.messages[0], "'" + damaged +
                                      "' could not be installed because this setup program is "
                                      "damaged.\nPlease obtain the setup program again.");
    EXPECT_EQ(output.deleted, std::vector<std::string>{damaged});
    EXPECT_EQ(output.files.count(damaged), 0u);
    EXPECT_EQ(Text(output.files["C:\\dest\\a.txt"]), "alpha");
  }
}

TEST(ExtractArchive, ReplacesExistingFilesButFailsOnOnesItCannotReplace) {
  MemoryOutput output;
  output.files["C:\\dest\\a.txt"].data = {'o', 'l', 'd', '!', '!', '!'};
  EXPECT_EQ(Extract(MakeZip(ThreeMembers()).bytes, output), 1);
  EXPECT_EQ(Text(output.files["C:\\dest\\a.txt"]), "alpha");
  EXPECT_EQ(output.deleted, std::vector<std::string>{"C:\\dest\\a.txt"});
  MemoryOutput readOnly;
  readOnly.locked.insert("C:\\dest\\b.txt");
  EXPECT_EQ(Extract(MakeZip(ThreeMembers()).bytes, readOnly), 0);
  EXPECT_EQ(readOnly.files.size(), 1u);
}

TEST(ExtractArchive, DeletesMembersThatAreShortOrCannotBeDated) {
  Zip wrongSize = MakeZip(ThreeMembers());
  Patch32(wrongSize.bytes, wrongSize.local[1] + kLocalUncompressed, 99);
  MemoryOutput sized;
  EXPECT_EQ(Extract(wrongSize.bytes, sized), 0);
  EXPECT_EQ(sized.deleted, std::vector<std::string>{"C:\\dest\\b.txt"});
  EXPECT_EQ(sized.files.count("C:\\dest\\b.txt"), 0u);

  MemoryOutput shortWrites;
  shortWrites.shortWrite = 1;
  EXPECT_EQ(Extract(MakeZip(ThreeMembers()).bytes, shortWrites), 0);
  EXPECT_TRUE(shortWrites.files.empty());

  MemoryOutput undated;
  undated.unreopenable.insert("C:\\dest\\b.txt");
  EXPECT_EQ(Extract(MakeZip(ThreeMembers()).bytes, undated), 0);
  EXPECT_EQ(undated.files.size(), 1u);
}

TEST(ExtractArchive, DeletesDeflatedMembersThatDoNotDecode) {
  Zip broken = MakeZip(ThreeMembers());
  broken.bytes[broken.local[1] + 30 + 5] = 0x07;  // last block, type 3
  Zip truncated = MakeZip(ThreeMembers());
  Patch32(truncated.bytes, truncated.local[1] + kLocalCompressed, 100);
  for (const Zip& zip : {broken, truncated}) {
    MemoryOutput output;
    EXPECT_EQ(Extract(zip.bytes, output), 0);
    EXPECT_EQ(output.deleted, std::vector<std::string>{"C:\\dest\\b.txt"});
    EXPECT_EQ(output.files.size(), 1u);
  }
}

// Each edit makes a number of the second member's entry reach past the archive.
TEST(ExtractArchive, FailsOnNumbersBeyondTheArchiveWithoutTouchingTheFile) {
  enum Header { kEnd, kCentral, kLocal };
  struct Edit {
    Header header;
    size_t field;
    uint32_t value;
  };
  const Edit edits[] = {
      {kEnd, kEndCentralOffset, 0x7FFFFF00},        {kCentral, kCentralLocalOffset, 0x7FFFFF00},
      {kCentral, kCentralExtraLength, 0xFFFF},      {kCentral, kCentralCommentLength, 0xFFFF},
      {kCentral, kCentralNameLength, 260},          {kLocal, kLocalNameLength, 260},
      {kLocal, kLocalExtraLength, 0xFFFF},          {kLocal, kLocalCompressed, 0x7FFFFF00},
      {kCentral, kCentralUncompressed, 0x7FFFFF00},
  };
  for (const Edit& edit : edits) {
    std::vector<ZipMember> members = ThreeMembers();
    members[1].method = edit.field == kCentralUncompressed ? 0 : 8;
    Zip zip = MakeZip(members);
    size_t at = edit.header == kEnd     ? zip.end
                : edit.header == kLocal ? zip.local[1]
                                        : zip.central[1];
    if (edit.value > 0xFFFF)
      Patch32(zip.bytes, at + edit.field, edit.value);
    else
      Patch16(zip.bytes, at + edit.field, edit.value);
    MemoryOutput output;
    output.files["C:\\dest\\b.txt"].data = {'o', 'l', 'd'};
    EXPECT_EQ(Extract(zip.bytes, output), 0) << "field " << edit.field;
    EXPECT_TRUE(output.deleted.empty()) << "field " << edit.field;
    EXPECT_EQ(Text(output.files["C:\\dest\\b.txt"]), "old") << "field " << edit.field;
  }
}

TEST(ExtractArchive, FailsOnEmptyNamesAndPathsThatDoNotFit) {
  for (size_t field : {kCentralNameLength, kLocalNameLength}) {
    Zip zip = MakeZip(ThreeMembers());
    Patch16(zip.bytes, (field == kLocalNameLength ? zip.local[0] : zip.central[0]) + field, 0);
    MemoryOutput output;
    EXPECT_EQ(Extract(zip.bytes, output), 0);
    EXPECT_TRUE(output.files.empty());
  }
  std::string longest(259, 'n');
  MemoryOutput fits;
  EXPECT_EQ(Extract(MakeZip({{longest, "x"}}).bytes, fits, nullptr, ""), 1);
  EXPECT_EQ(fits.files.count(longest), 1u);

  char lastPath[kPathSize] = "before";
  MemoryOutput tooLong;
  std::string directory(200, 'd');
  EXPECT_EQ(
      Extract(MakeZip({{std::string(59, 'n'), "x"}}).bytes, tooLong, lastPath, directory.c_str()),
      0);
  EXPECT_TRUE(tooLong.files.empty());
  EXPECT_STREQ(lastPath, "before");
}

TEST(ExtractArchive, RefusesNamesThatAreNoOrdinaryFileInsideTheDestination) {
  // A NUL inside would make the name used differ from the one in the archive;
  // a device name, a colon or a control byte name no ordinary file.
  const std::string names[] = {"con",
                               "CON.txt",
                               "sub/aux",
                               "Aux .log",
                               "nul.",
                               "Com1 ",
                               "lpt9.tar.gz",
                               "PRN\\x",
                               "notes.txt:hidden",
                               "a\tb",
                               "x\x1F",
                               "../x",
                               "a/../../x",
                               "..\\x",
                               "a\\..",
                               "/x",
                               "\\x",
                               "\\\\host\\x",
                               "C:x",
                               "c:\\x",
                               "... /x",
                               "a/.. ",
                               std::string("\0x", 2),
                               std::string("ok\0../x", 7)};
  for (const std::string& name : names) {
    MemoryOutput output;
    EXPECT_EQ(Extract(MakeZip({{"first.txt", "1"}, {name, "2"}}).bytes, output), 0) << name;
    EXPECT_TRUE(output.shown.empty()) << name;
    EXPECT_TRUE(output.files.empty()) << name;
  }
  for (const char* name : {"..a", "a..b", ".profile", "a/./b", "console.txt", "com10.txt",
                           "nul_notes.txt", "lpt.txt", "auxiliary/con1", "co n"}) {
    MemoryOutput output;
    EXPECT_EQ(Extract(MakeZip({{name, "1"}}).bytes, output), 1) << name;
  }
}

// In code page 932 予 (0x97 0x5C) and 表 (0x95 0x5C) end in the byte of "\":
// neither separates, so the destination gets its separator and such a name is
// one component; a lead byte without a second byte a character can have is
// refused, as the system may read it otherwise.
TEST(ExtractArchive, ReadsTheDestinationAndTheNamesByCharacter) {
  const unsigned char kCodePage932[kLeadByteRangesSize] = {0x81, 0x9F, 0xE0, 0xFC};
  const std::string directory = "C:\\\x97\x5C\x92\xE8\x95\x5C";
  const std::string names[] = {
      "\x97\x5C"
      "aux.txt",
      "\x95\x5C..", "\x97\x5C\\b\x95\x5C"};
  const std::string refused[] = {"a\x95", "\x95/../x", "\x81..\\..\\x", "\x81:x"};
  SetLeadByteRanges(kCodePage932);
  MemoryOutput taken;
  int takenResult = Extract(MakeZip({{names[0], "1"}, {names[1], "2"}, {names[2], "3"}}).bytes,
                            taken, nullptr, directory.c_str());
  int refusedResults[4];
  for (int i = 0; i < 4; ++i) {
    MemoryOutput output;
    refusedResults[i] = Extract(MakeZip({{refused[i], "1"}}).bytes, output);
  }
  SetLeadByteRanges(nullptr);
  EXPECT_EQ(takenResult, 1);
  for (const std::string& name : names) EXPECT_EQ(taken.files.count(directory + "\\" + name), 1u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(refusedResults[i], 0) << refused[i];
}

}  // namespace
