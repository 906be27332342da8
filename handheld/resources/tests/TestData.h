// Reading the tab-separated test data files of the resource tests: rows of
// fields with their line numbers, the escapes \r \n \t \\ inside fields, and
// the text conversions the tests need to compare with the wide resources.
// Malformed data throws std::runtime_error naming the file and line, so a
// broken data file fails the test instead of passing quietly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace p42r::resources::testing {

struct DataRow {
  int line = 0;
  std::vector<std::string> fields;  // unescaped, UTF-8
};

// The rows of `fileName` in the test data directory; blank lines and lines
// starting with "#" are skipped.
std::vector<DataRow> ReadDataFile(const std::string& fileName);

// "where:line" for failure messages.
std::string Where(const std::string& fileName, const DataRow& row);

std::u16string Utf8ToUtf16(std::string_view utf8);  // throws on malformed input
std::string Utf16ToUtf8(std::u16string_view utf16);    // texts of the Basic Multilingual Plane

// The text as UTF-8 with CR, LF, TAB and backslash shown as escapes.
std::string Visible(std::u16string_view text);

// A decimal number; throws unless the whole field is one.
long ParseNumber(const std::string& field, const std::string& context);

}  // namespace p42r::resources::testing
