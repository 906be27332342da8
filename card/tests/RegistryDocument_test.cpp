#include "card/CardError.h"
#include "card/RegistryDocument.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace p42r::card {
namespace {

using ::testing::ElementsAre;

const std::string kActive = "HKEY_LOCAL_MACHINE\\Drivers\\Active";

// An export as a handheld would hold it: other drivers, a hex value over
// several lines, a comment, a default value.
const std::string kExport =
    "REGEDIT4\n"
    "\n"
    "; exported\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Active]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\n"
    "\"Name\"=\"COM1:\"\n"
    "\"Key\"=\"Drivers\\\\BuiltIn\\\\Serial\"\n"
    "\"Hnd\"=dword:0004a2b0\n"
    "\"Blob\"=hex:01,02,03,\\\n"
    "  04,05\n"
    "@=\"default\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\011]\n"
    "\"Name\"=\"COM7:\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Comm\\Settings]\n"
    "\"Quote\"=\"say \\\"hi\\\"\"\n"
    "\n";

TEST(RegistryDocument, NewRegistryIsHeaderAndBlankLine) {
  EXPECT_EQ(RegistryDocument().serialize(), "REGEDIT4\n\n");
  EXPECT_EQ(RegistryDocument::parse("").serialize(), "REGEDIT4\n\n");
  EXPECT_EQ(RegistryDocument::parse(" \n\r\n").serialize(), "REGEDIT4\n\n");
}

TEST(RegistryDocument, AddedKeyIsWrittenInTheFormat) {
  RegistryDocument document;
  document.addKey(kActive + "\\02", {{"Key", std::string("Drivers\\PCMCIA\\Halvorn-P42R2")},
                                     {"Say", std::string("a \"b\"")},
                                     {"Count", std::uint32_t{10}},
                                     {"", std::string("dflt")}});
  EXPECT_EQ(document.serialize(),
            "REGEDIT4\n\n"
            "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\02]\n"
            "\"Key\"=\"Drivers\\\\PCMCIA\\\\Halvorn-P42R2\"\n"
            "\"Say\"=\"a \\\"b\\\"\"\n"
            "\"Count\"=dword:0000000a\n"
            "@=\"dflt\"\n"
            "\n");
  EXPECT_EQ(document.stringValue(kActive + "\\02", "Key"), "Drivers\\PCMCIA\\Halvorn-P42R2");
  EXPECT_EQ(document.stringValue(kActive + "\\02", "Say"), "a \"b\"");
}

TEST(RegistryDocument, UnchangedTextComesBackByteForByte) {
  for (const std::string& text :
       {kExport, std::string("REGEDIT4"), std::string("REGEDIT4\r\n\r\n[A]\r\n\"x\"=\"1\"\r\n"),
        std::string("\xEF\xBB\xBFREGEDIT4\n\n[A]\n\"x\"=\"1\""), std::string("REGEDIT4\n[A]\n\0junk\n", 20)}) {
    EXPECT_EQ(RegistryDocument::parse(text).serialize(), text);
  }
}

TEST(RegistryDocument, ReadsStringAndDwordValuesAndSkipsTheRest) {
  const RegistryDocument document = RegistryDocument::parse(kExport);
  const auto values = document.values(kActive + "\\01");
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(values[0].name, "Name");
  EXPECT_EQ(std::get<std::string>(values[1].data), "Drivers\\BuiltIn\\Serial");
  EXPECT_EQ(std::get<std::uint32_t>(values[2].data), 0x4a2b0u);
  EXPECT_EQ(values[3].name, "");
  EXPECT_EQ(document.stringValue("hkey_local_machine\\comm\\SETTINGS", "quote"), "say \"hi\"");
  EXPECT_FALSE(document.stringValue(kActive + "\\01", "Hnd").has_value());  // a dword, not text
  EXPECT_FALSE(document.stringValue(kActive + "\\01", "Missing").has_value());
}

TEST(RegistryDocument, KeysAndSubKeys) {
  const RegistryDocument document = RegistryDocument::parse(kExport + "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\05\\Deep]\n");
  EXPECT_TRUE(document.hasKey("hkey_local_machine\\drivers\\active\\01"));
  EXPECT_FALSE(document.hasKey(kActive + "\\05"));  // only its sub-key has a section
  EXPECT_THAT(document.subKeys(kActive), ElementsAre("01", "011", "05"));
}

TEST(RegistryDocument, RemovingAKeyLeavesEverythingElse) {
  RegistryDocument document = RegistryDocument::parse(kExport);
  document.addKey(kActive + "\\02", {{"Name", std::string("COM2:")}});
  EXPECT_EQ(document.removeKey(kActive + "\\02"), 1u);
  EXPECT_EQ(document.serialize(), kExport);
  // "01" is not a prefix match for "011", and letter case does not matter.
  EXPECT_EQ(document.removeKey("HKEY_LOCAL_MACHINE\\DRIVERS\\ACTIVE\\01"), 1u);
  EXPECT_TRUE(document.hasKey(kActive + "\\011"));
  EXPECT_EQ(document.removeKey(kActive + "\\01"), 0u);
}

TEST(RegistryDocument, AddingToACrLfFileKeepsCrLf) {
  RegistryDocument document = RegistryDocument::parse("REGEDIT4\r\n\r\n[A]\r\n\"x\"=\"1\"");
  document.addKey("B", {{"y", std::string("2")}});
  EXPECT_EQ(document.serialize(), "REGEDIT4\r\n\r\n[A]\r\n\"x\"=\"1\"\n\r\n[B]\r\n\"y\"=\"2\"\r\n\r\n");
  EXPECT_EQ(RegistryDocument::parse(document.serialize()).stringValue("A", "x"), "1");
}

TEST(RegistryDocument, RefusesWhatIsNotARegedit4File) {
  for (const std::string text : {"Windows Registry Editor Version 5.00\r\n", "hello\n", "[A]\nREGEDIT4\n",
                                 "REGEDIT\n", "REGEDIT45\n"}) {
    try {
      RegistryDocument::parse(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const CardError& error) {
      EXPECT_EQ(error.kind(), CardErrorKind::InvalidInput);
    }
  }
}

TEST(RegistryDocument, HostileContentIsKeptAndNeverMisread) {
  const std::string text =
      "REGEDIT4\n\n"
      "[\n"                                       // a bracket alone: not a section
      "[A] trailing\n"                            // text after the bracket: not a section
      "\"Name\"=\"unterminated\n"                 // no closing quote: skipped
      "\"Other\"=\"ok\" junk\n"                   // text after the value: skipped
      "\"Dw\"=dword:123456789\n"                  // nine digits: skipped
      "\"Good\"=\"[not a section]\"\n"
      "[-HKEY_LOCAL_MACHINE\\Gone]\n"             // a deletion section
      "[A]\n"
      "\"Dup\"=\"first\"\n"
      "[A]\n"
      "\"Dup\"=\"second\"\n"
      + std::string(100000, 'x') + "\n";
  RegistryDocument document = RegistryDocument::parse(text);
  EXPECT_EQ(document.serialize(), text);
  EXPECT_THAT(document.keys(), ElementsAre("A", "A"));
  EXPECT_EQ(document.stringValue("A", "Dup"), "first");
  EXPECT_EQ(document.removeKey("A"), 2u);
  EXPECT_FALSE(document.hasKey("A"));
  // Everything before the first real section is kept, including the bogus lines.
  EXPECT_NE(document.serialize().find("\"Good\"=\"[not a section]\""), std::string::npos);
}

TEST(RegistryDocument, AddKeyRefusesDuplicatesAndBrokenLines) {
  RegistryDocument document = RegistryDocument::parse(kExport);
  EXPECT_THROW(document.addKey(kActive + "\\01", {}), CardError);
  EXPECT_THROW(document.addKey("A]\n[B", {}), CardError);
  EXPECT_THROW(document.addKey("", {}), CardError);
  EXPECT_THROW(document.addKey("-A", {}), CardError);
  EXPECT_THROW(document.addKey("C", {{"v", std::string("two\nlines")}}), CardError);
  EXPECT_EQ(document.serialize(), kExport);
}

}  // namespace
}  // namespace p42r::card
