// The reader's line splitting on raw bytes, as they come off the wire.
#include <gtest/gtest.h>

#include <algorithm>

#include "testing/HandheldHarness.h"

namespace p42r::link {
namespace {

using Lines = std::vector<std::u16string>;

struct ScanCase {
  const char* name;
  std::vector<std::string> chunks;  // in arrival order
  Lines expected;
};

class LineScan : public ::testing::TestWithParam<ScanCase>, public testing::HandheldHarness {};

TEST_P(LineScan, CutsTrimmedLinesInArrivalOrder) {
  const ScanCase& scan = GetParam();
  Lines lines;
  for (const auto& chunk : scan.chunks) {
    for (auto& line : channel.ReceiveForTest(chunk)) lines.push_back(std::move(line));
  }
  EXPECT_EQ(lines, scan.expected);
}

std::string Bytes(std::initializer_list<char> bytes) { return std::string(bytes); }

INSTANTIATE_TEST_SUITE_P(
    RawInput, LineScan,
    ::testing::Values(
        ScanCase{"OkInOneChunk", {"\r\nOK\r\n"}, {u"OK"}},
        ScanCase{"OkByteByByte", {"\r", "\n", "O", "K", "\r", "\n"}, {u"OK"}},
        ScanCase{"TwoLinesInOneChunk", {"\r\nHalvorn.Corp\r\n\r\nOK\r\n"}, {u"Halvorn.Corp", u"OK"}},
        ScanCase{"BareLineFeeds", {"FDL20\nFDL40\n"}, {u"FDL20", u"FDL40"}},
        ScanCase{"BareCarriageReturnIsNoLineEnd", {"AB\rCD\r"}, {}},
        ScanCase{"BareCarriageReturnInsideALine", {"AB\rCD\n"}, {u"AB\rCD"}},
        ScanCase{"NoTerminatorStaysUntilTheLineFeed", {"VERC", "FSTR", "\r\n"}, {u"VERCFSTR"}},
        ScanCase{"NulEndsTheChunk", {Bytes({'O', 'K', '\0', 'X', '\n'}), "\n"}, {u"OK"}},
        ScanCase{"NulAtTheStartDropsTheChunk", {Bytes({'\0', 'O', 'K', '\n'}), "ERROR\n"}, {u"ERROR"}},
        ScanCase{"BlankLinesAreNeverDelivered", {"\r\n\r\n  \t\r\n"}, {}},
        ScanCase{"InnerBlanksStay", {"  NO CARRIER  \r\n"}, {u"NO CARRIER"}},
        ScanCase{"JapaneseInTheCodePage", {"\x83\x50\x81\x5B\r\n"}, {u"ケー"}},
        ScanCase{"JapaneseCutBetweenReads", {"\r\n\x83", "\x50\x81", "\x5B\r\n"}, {u"ケー"}},
        ScanCase{"CutCharacterBeforeALineFeedIsReplaced", {"AB\x83", "\nOK\n"}, {u"AB\uFFFD", u"OK"}}),
    [](const ::testing::TestParamInfo<ScanCase>& param) { return param.param.name; });

struct EchoFixture : ::testing::Test, testing::HandheldHarness {
  void SetUp() override {
    serial.addDevice(u"COM4:");
    channel.Open(u"COM4:");
  }
};

TEST_F(EchoFixture, TheEchoOfTheLastCommandIsDroppedAndOnlyIt) {
  channel.Write(u"ATE0\r\n");
  EXPECT_EQ(channel.lastCommand(), u"ATE0");
  EXPECT_EQ(channel.ReceiveForTest("ATE0\r\r\nOK\r\n"), (Lines{u"OK"}));
  EXPECT_EQ(channel.ReceiveForTest("xATE0\r\nATE0 \r\nate0\r\n"), (Lines{u"xATE0", u"ate0"}));
}

TEST_F(EchoFixture, TextWithoutALineFeedIsDiscardedByTheNextWrite) {
  EXPECT_TRUE(channel.ReceiveForTest("\r\nHALF").empty());
  const int purgedBefore = serial.purges();
  channel.Write(u"AT+GMI\r\n");
  EXPECT_EQ(channel.ReceiveForTest("Halvorn.Corp\r\n"), (Lines{u"Halvorn.Corp"}));
  EXPECT_EQ(serial.purges(), purgedBefore + 1) << "the driver's received bytes are purged before the write";
}

TEST_F(EchoFixture, AMegabyteWithoutLineFeedsIsDroppedAsItComesAndTheNextLineStillArrives) {
  const std::string garbage(64, 'x');
  std::size_t mostPending = 0;
  for (int i = 0; i < 1024 * 1024 / 64; ++i) {
    ASSERT_TRUE(channel.ReceiveForTest(garbage).empty());
    mostPending = std::max(mostPending, channel.PendingCharacters());
  }
  EXPECT_LE(mostPending, SerialChannel::kLongestLine + garbage.size()) << "the buffer stays bounded";
  EXPECT_EQ(channel.ReceiveForTest("tail of the run\r\nOK\r\n"), (Lines{u"OK"}))
      << "the rest of the dropped run up to its line feed never becomes a line";
  EXPECT_EQ(channel.PendingCharacters(), 0u);
}

TEST_F(EchoFixture, ALineOfTheLongestLengthArrivesAndOneCharacterMoreDoesNot) {
  const std::string longest(SerialChannel::kLongestLine, 'a');
  const Lines delivered = channel.ReceiveForTest(longest + "\n");
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].size(), SerialChannel::kLongestLine);

  // Whole in one chunk, or cut anywhere: the overlong line goes either way.
  EXPECT_EQ(channel.ReceiveForTest(longest + "b\nOK\n"), (Lines{u"OK"}));
  EXPECT_TRUE(channel.ReceiveForTest(longest).empty());
  EXPECT_TRUE(channel.ReceiveForTest("bc").empty());
  EXPECT_EQ(channel.ReceiveForTest("d\nERROR\n"), (Lines{u"ERROR"}));
  // Nothing of a two-byte character cut at a dropped chunk's end is left for the next line.
  EXPECT_TRUE(channel.ReceiveForTest(longest + "b\x82").empty());
  EXPECT_EQ(channel.ReceiveForTest("\xa0\nOK\n"), (Lines{u"OK"}));
}

TEST_F(EchoFixture, AWriteEndsTheDroppingOfAnOverlongLine) {
  EXPECT_TRUE(channel.ReceiveForTest(std::string(SerialChannel::kLongestLine + 1, 'x')).empty());
  channel.Write(u"AT+GMI\r\n");
  EXPECT_EQ(channel.ReceiveForTest("Halvorn.Corp\r\nOK\r\n"), (Lines{u"Halvorn.Corp", u"OK"}))
      << "the answer to the new command is not taken for the rest of the old line";
}

}  // namespace
}  // namespace p42r::link
