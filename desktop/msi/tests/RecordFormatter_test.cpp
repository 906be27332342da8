// Record formatting: field and property references, escapes and groups.
#include "RecordFormatter.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kErrorTemplate = "Windows Installer Error [1]: [2]{, [3]}{, [4]}{, [5]}\n";

standin::Record recordOf(std::vector<std::string> fields) {
  standin::Record record(static_cast<unsigned>(fields.size()));
  for (unsigned index = 0; index < fields.size(); ++index) {
    record.setString(index + 1, fields[index]);
  }
  return record;
}

const standin::PropertyLookup kProperties = [](std::string_view name) -> std::optional<std::string> {
  if (name == "INSTALLDIR") return "C:\\P42R\\";
  return "";
};

TEST(RecordFormatter, GroupsVanishWhenTheirFieldIsEmpty) {
  EXPECT_EQ(standin::formatTemplate(kErrorTemplate, recordOf({"2259", "Update failed"}), {}),
            "Windows Installer Error 2259: Update failed\n");
  EXPECT_EQ(standin::formatTemplate(kErrorTemplate, recordOf({"2259", "a", "b", "c", "d"}), {}),
            "Windows Installer Error 2259: a, b, c, d\n");
  EXPECT_EQ(standin::formatTemplate(kErrorTemplate, recordOf({"2259", "a", "", "c"}), {}),
            "Windows Installer Error 2259: a, c\n");
}

TEST(RecordFormatter, PropertiesResolveOnlyWithASession) {
  const standin::Record record = recordOf({"x"});
  EXPECT_EQ(standin::formatTemplate("to [INSTALLDIR]: [1][UNSET]", record, kProperties), "to C:\\P42R\\: x");
  EXPECT_EQ(standin::formatTemplate("to [INSTALLDIR]", record, {}), "to [INSTALLDIR]");
  EXPECT_EQ(standin::formatTemplate("{[UNSET] gone}{kept [INSTALLDIR]}", record, kProperties), "kept C:\\P42R\\");
}

TEST(RecordFormatter, EscapesLiteralBracesAndUnclosedReferencesStayText) {
  const standin::Record record = recordOf({"x"});
  EXPECT_EQ(standin::formatTemplate("[\\[]1[\\]] {plain} [] [1", record, {}), "[1] {plain} [] [1");
  EXPECT_EQ(standin::formatTemplate("{unclosed [1]", record, {}), "{unclosed [1]");
}

TEST(RecordFormatter, ARecordWithoutTemplateListsItsFields) {
  EXPECT_EQ(standin::formatRecord(recordOf({"first", "", "third"}), {}), "1: first 2:  3: third ");
  standin::Record withTemplate = recordOf({"v"});
  withTemplate.setString(0, "value [1]");
  EXPECT_EQ(standin::formatRecord(withTemplate, {}), "value v");
}

}  // namespace
