#include "TestData.h"

#include <charconv>
#include <fstream>
#include <stdexcept>

namespace p42r::resources::testing {
namespace {

std::string DataPath(const std::string& fileName) {
  return std::string(P42R_RESOURCES_TESTDATA) + "/" + fileName;
}

std::string Unescape(std::string_view field, const std::string& context) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    if (static_cast<unsigned char>(c) < 0x20) {
      throw std::runtime_error(context + ": raw control character; write it as an escape");
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == field.size()) {
      throw std::runtime_error(context + ": backslash at the end of a field");
    }
    switch (field[i]) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      default: throw std::runtime_error(context + ": unknown escape \\" + field[i]);
    }
  }
  return out;
}

}  // namespace

std::string Where(const std::string& fileName, const DataRow& row) {
  return fileName + ":" + std::to_string(row.line);
}

std::vector<DataRow> ReadDataFile(const std::string& fileName) {
  std::ifstream in(DataPath(fileName), std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot open test data " + DataPath(fileName));
  }
  std::vector<DataRow> rows;
  std::string text;
  int lineNumber = 0;
  while (std::getline(in, text)) {
    ++lineNumber;
    if (text.empty() || text.front() == '#') {
      continue;
    }
    DataRow row{lineNumber, {}};
    const std::string context = fileName + ":" + std::to_string(lineNumber);
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = text.find('\t', start);
      row.fields.push_back(Unescape(std::string_view(text).substr(start, tab - start), context));
      if (tab == std::string::npos) {
        break;
      }
      start = tab + 1;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// Every resource text lies in the Basic Multilingual Plane, so the data
// files need at most three UTF-8 bytes per character.
std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 0;
    if (length == 0 || i + length > utf8.size()) {
      throw std::runtime_error("malformed or non-BMP UTF-8 in test data");
    }
    unsigned code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) {
        throw std::runtime_error("malformed UTF-8 in test data");
      }
      code = (code << 6) | (next & 0x3Fu);
    }
    out += static_cast<char16_t>(code);
    i += length;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  for (const char16_t unit : utf16) {
    const unsigned code = unit;
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::string Visible(std::u16string_view text) {
  std::string out;
  for (const char c : Utf16ToUtf8(text)) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

long ParseNumber(const std::string& field, const std::string& context) {
  long value = 0;
  const char* end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, value);
  if (field.empty() || error != std::errc{} || stop != end) {
    throw std::runtime_error(context + ": not a number: \"" + field + "\"");
  }
  return value;
}

}  // namespace p42r::resources::testing
