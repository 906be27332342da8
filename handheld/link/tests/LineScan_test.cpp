// The line assembler on raw bytes, as they come off the wire.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/LineAssembler.h"

namespace p42r::link {
namespace {

using Lines = std::vector<std::u16string>;

struct ScanCase {
  const char* name;                 // where the input comes from
  std::vector<std::string> chunks;  // in the reads they arrived in
  Lines expected;
  const char16_t* command = u"";  // the command written before (its echo is dropped)
};

class LineScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(LineScan, CutsTrimmedLinesInArrivalOrder) {
  const ScanCase& scan = GetParam();
  const platform::CodePage codePage;
  LineAssembler assembler(codePage);
  assembler.StartAnswerTo(scan.command);
  Lines lines;
  for (const auto& chunk : scan.chunks) {
    for (auto& line : assembler.Feed(chunk)) lines.push_back(std::move(line));
  }
  EXPECT_EQ(lines, scan.expected);
}

std::string Bytes(std::initializer_list<char> bytes) { return std::string(bytes); }

// The simulated card's replies, a USB adapter that hands them over in small
// reads, a card that still echoes, and hostile bytes.
INSTANTIATE_TEST_SUITE_P(
    RawInput, LineScan,
    ::testing::Values(
        ScanCase{"SimulatedCardOk", {"\r\nOK\r\n"}, {u"OK"}},
        ScanCase{"SimulatedCardMakerThenOk", {"\r\nHalvorn.Corp\r\n\r\nOK\r\n"}, {u"Halvorn.Corp", u"OK"}},
        ScanCase{"SimulatedCardEchoBeforeEchoOff", {"ATE0\r\r\nOK\r\n"}, {u"OK"}, u"ATE0\r\n"},
        ScanCase{"SimulatedCardKatakanaInTheCodePage", {"\x83\x50\x81\x5B\r\n"}, {u"ケー"}},
        ScanCase{"UsbAdapterOneByteReads", {"\r", "\n", "O", "K", "\r", "\n"}, {u"OK"}},
        ScanCase{"UsbAdapterSplitsANoticeAcrossReads", {"VERC", "FSTR", "\r\n"}, {u"VERCFSTR"}},
        ScanCase{"UsbAdapterSplitsATwoByteCharacter", {"\r\n\x83", "\x50\x81", "\x5B\r\n"}, {u"ケー"}},
        ScanCase{"HostileCardNearEchoesStay", {"xATE0\r\nATE0 \r\nate0\r\n"}, {u"xATE0", u"ate0"}, u"ATE0\r\n"},
        ScanCase{"HostileCardBareLineFeeds", {"FDL20\nFDL40\n"}, {u"FDL20", u"FDL40"}},
        ScanCase{"HostileCardBareCarriageReturnIsNoLineEnd", {"AB\rCD\r"}, {}},
        ScanCase{"HostileCardBareCarriageReturnInsideALine", {"AB\rCD\n"}, {u"AB\rCD"}},
        ScanCase{"HostileCardNulEndsTheRead", {Bytes({'O', 'K', '\0', 'X', '\n'}), "\n"}, {u"OK"}},
        ScanCase{"HostileCardNulFirstDropsTheRead", {Bytes({'\0', 'O', 'K', '\n'}), "ERROR\n"}, {u"ERROR"}},
        ScanCase{"HostileCardBlankLinesAreNeverDelivered", {"\r\n\r\n  \t\r\n"}, {}},
        ScanCase{"HostileCardInnerBlanksStay", {"  NO CARRIER  \r\n"}, {u"NO CARRIER"}},
        ScanCase{"HostileCardCutCharacterBeforeALineFeed", {"AB\x83", "\nOK\n"}, {u"AB\uFFFD", u"OK"}}),
    [](const ::testing::TestParamInfo<ScanCase>& param) { return param.param.name; });

struct Assembler : ::testing::Test {
  const platform::CodePage codePage;
  LineAssembler assembler{codePage};
};

TEST_F(Assembler, TextWithoutALineFeedIsDiscardedByTheNextCommand) {
  EXPECT_TRUE(assembler.Feed("\r\nHALF").empty());
  assembler.StartAnswerTo(u"AT+GMI\r\n");
  EXPECT_EQ(assembler.echo(), u"AT+GMI");
  EXPECT_EQ(assembler.Feed("Halvorn.Corp\r\n"), (Lines{u"Halvorn.Corp"}));
}

TEST_F(Assembler, AMegabyteWithoutLineFeedsIsDroppedAsItComesAndTheNextLineStillArrives) {
  const std::string garbage(64, 'x');
  std::size_t mostPending = 0;
  for (int i = 0; i < 1024 * 1024 / 64; ++i) {
    ASSERT_TRUE(assembler.Feed(garbage).empty());
    mostPending = std::max(mostPending, assembler.pendingCharacters());
  }
  EXPECT_LE(mostPending, LineAssembler::kLongestLine + garbage.size()) << "the buffer stays bounded";
  EXPECT_EQ(assembler.Feed("tail of the run\r\nOK\r\n"), (Lines{u"OK"}))
      << "the rest of the dropped run up to its line feed never becomes a line";
  EXPECT_EQ(assembler.pendingCharacters(), 0u);
}

TEST_F(Assembler, ALineOfTheLongestLengthArrivesAndOneCharacterMoreDoesNot) {
  const std::string longest(LineAssembler::kLongestLine, 'a');
  const Lines delivered = assembler.Feed(longest + "\n");
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].size(), LineAssembler::kLongestLine);

  // Whole in one read, or cut anywhere: the overlong line goes either way.
  EXPECT_EQ(assembler.Feed(longest + "b\nOK\n"), (Lines{u"OK"}));
  EXPECT_TRUE(assembler.Feed(longest).empty());
  EXPECT_TRUE(assembler.Feed("bc").empty());
  EXPECT_EQ(assembler.Feed("d\nERROR\n"), (Lines{u"ERROR"}));
  // Nothing of a two-byte character cut at a dropped read's end is left for the next line.
  EXPECT_TRUE(assembler.Feed(longest + "b\x82").empty());
  EXPECT_EQ(assembler.Feed("\xa0\nOK\n"), (Lines{u"OK"}));
}

TEST_F(Assembler, ACommandEndsTheDroppingOfAnOverlongLine) {
  EXPECT_TRUE(assembler.Feed(std::string(LineAssembler::kLongestLine + 1, 'x')).empty());
  assembler.StartAnswerTo(u"AT+GMI\r\n");
  EXPECT_EQ(assembler.Feed("Halvorn.Corp\r\nOK\r\n"), (Lines{u"Halvorn.Corp", u"OK"}))
      << "the answer to the new command is not taken for the rest of the old line";
}

}  // namespace
}  // namespace p42r::link
