#include "card/CommandParser.h"
#include "card/TrafficTrace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace p42r::card {
namespace {

struct Seen {
  LineKind kind;
  std::string text;
  bool operator==(const Seen&) const = default;
};

std::vector<Seen> parseAll(CommandParser& parser, const std::string& bytes) {
  std::vector<Seen> lines;
  for (const char byte : bytes) {
    if (auto line = parser.feed(byte)) lines.push_back({line->kind, line->text});
  }
  return lines;
}

struct ParserCase {
  const char* name;
  std::string input;
  std::vector<Seen> expected;
};

class CommandParserTable : public ::testing::TestWithParam<ParserCase> {};

TEST_P(CommandParserTable, CutsRawBytesIntoCommands) {
  CommandParser parser;
  EXPECT_EQ(parseAll(parser, GetParam().input), GetParam().expected) << visibleBytes(GetParam().input);
  EXPECT_FALSE(parser.midLine());
}

using K = LineKind;
INSTANTIATE_TEST_SUITE_P(
    HandheldAndHostileInput, CommandParserTable,
    ::testing::Values(
        ParserCase{"HandheldFraming", std::string("ATE0\r\n\0", 7), {{K::Command, "ATE0"}}},
        ParserCase{"BareCarriageReturn", "AT+GMI\r", {{K::Command, "AT+GMI"}}},
        ParserCase{"BareLineFeed", "AT+GMI\n", {{K::Command, "AT+GMI"}}},
        ParserCase{"LineFeedThenCarriageReturn", "AT\n\r", {{K::Command, "AT"}}},
        ParserCase{"TwoCommandsOneChunk", std::string("ATE0\r\n\0AT+GMI\r\n\0", 17),
                   {{K::Command, "ATE0"}, {K::Command, "AT+GMI"}}},
        ParserCase{"EmptyLinesAreNothing", "\r\n\r\n\n\r", {}},
        ParserCase{"NulInsideALineIsDropped", std::string("AT+\0GMI\r", 8), {{K::Command, "AT+GMI"}}},
        ParserCase{"ControlBytesAreDropped", "\x01" "AT\x1b+GMI\x7f\r", {{K::Command, "AT+GMI"}}},
        ParserCase{"BackspaceEdits", "ATX\b+GMI\r", {{K::Command, "AT+GMI"}}},
        ParserCase{"NoiseBeforeAttention", "\xff\xfe~zATE0\r", {{K::Command, "ATE0"}}},
        ParserCase{"LineWithoutAttentionIsNoise", "hello\r", {{K::Noise, ""}}},
        ParserCase{"LowerCaseKept", "at+gmi\r", {{K::Command, "at+gmi"}}},
        ParserCase{"TrailingBlanksTrimmed", "AT@LEDSET=1 \t \r", {{K::Command, "AT@LEDSET=1"}}},
        ParserCase{"ParametersKeepTheirText", "AT@ALDW=1,Mail.Example.JP\r", {{K::Command, "AT@ALDW=1,Mail.Example.JP"}}},
        ParserCase{"ShiftJisBytesKept", "AT@DMRW=00,\x83\x6a\r", {{K::Command, "AT@DMRW=00,\x83\x6a"}}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(CommandParser, UnfinishedLineWaitsForItsTerminator) {
  CommandParser parser;
  EXPECT_TRUE(parseAll(parser, "AT+G").empty());
  EXPECT_TRUE(parser.midLine());
  EXPECT_EQ(parseAll(parser, "MI\r"), (std::vector<Seen>{{K::Command, "AT+GMI"}}));
}

TEST(CommandParser, OverlongLineIsRefusedAndTheNextOneParses) {
  CommandParser parser;
  std::string longLine = "AT@DMRW=" + std::string(CommandParser::kMaxLineLength + 50, 'a') + "\r";
  EXPECT_EQ(parseAll(parser, longLine), (std::vector<Seen>{{K::TooLong, ""}}));
  EXPECT_EQ(parseAll(parser, "AT\r"), (std::vector<Seen>{{K::Command, "AT"}}));
}

TEST(CommandParser, LineOfExactlyTheLimitIsAccepted) {
  CommandParser parser;
  const std::string text = "AT" + std::string(CommandParser::kMaxLineLength - 2, 'Z');
  EXPECT_EQ(parseAll(parser, text + "\n"), (std::vector<Seen>{{K::Command, text}}));
}

}  // namespace
}  // namespace p42r::card
