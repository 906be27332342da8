#include "card/RegistryDocument.h"

#include "card/CardError.h"

#include <cctype>
#include <cstdio>

namespace p42r::card {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The section path of a line "[path]", or nothing for any other line.
std::optional<std::string_view> sectionPath(std::string_view line) {
  const std::string_view trimmed = trim(line);
  if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') {
    return std::nullopt;
  }
  return trimmed.substr(1, trimmed.size() - 2);
}

// Reads a quoted text starting at text[position] == '"'; on success moves
// `position` past the closing quote.
std::optional<std::string> readQuoted(std::string_view text, std::size_t& position) {
  if (position >= text.size() || text[position] != '"') {
    return std::nullopt;
  }
  std::string result;
  for (std::size_t i = position + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      position = i + 1;
      return result;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      result.push_back(text[i + 1]);
      ++i;
    } else {
      result.push_back(c);
    }
  }
  return std::nullopt;  // no closing quote
}

std::optional<std::uint32_t> readDword(std::string_view text) {
  constexpr std::string_view prefix = "dword:";
  if (text.size() <= prefix.size() || text.size() > prefix.size() + 8) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (lower(text[i]) != prefix[i]) return std::nullopt;
  }
  std::uint32_t value = 0;
  for (const char c : text.substr(prefix.size())) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : lower(c) - 'a' + 10;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::optional<RegistryValue> parseValueLine(std::string_view line) {
  const std::string_view trimmed = trim(line);
  std::size_t position = 0;
  RegistryValue value;
  if (trimmed.starts_with("@")) {
    position = 1;
  } else if (auto name = readQuoted(trimmed, position)) {
    value.name = std::move(*name);
  } else {
    return std::nullopt;
  }
  while (position < trimmed.size() && isBlank(trimmed[position])) ++position;
  if (position >= trimmed.size() || trimmed[position] != '=') {
    return std::nullopt;
  }
  ++position;
  while (position < trimmed.size() && isBlank(trimmed[position])) ++position;
  const std::string_view data = trimmed.substr(position);
  if (data.starts_with("\"")) {
    std::size_t end = 0;
    auto text = readQuoted(data, end);
    if (!text || !trim(data.substr(end)).empty()) {
      return std::nullopt;
    }
    value.data = std::move(*text);
    return value;
  }
  if (auto number = readDword(data)) {
    value.data = *number;
    return value;
  }
  return std::nullopt;
}

std::string formatValue(const RegistryValue& value) {
  std::string line = value.name.empty() ? "@" : "\"" + RegistryDocument::escape(value.name) + "\"";
  line += "=";
  if (const auto* text = std::get_if<std::string>(&value.data)) {
    line += "\"" + RegistryDocument::escape(*text) + "\"";
  } else {
    char number[24];
    std::snprintf(number, sizeof number, "dword:%08x", std::get<std::uint32_t>(value.data));
    line += number;
  }
  return line;
}

bool startsWithKeyPath(std::string_view path, std::string_view prefix) {
  if (path.size() < prefix.size()) return false;
  return sameKeyPath(path.substr(0, prefix.size()), prefix);
}

}  // namespace

bool sameKeyPath(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (lower(left[i]) != lower(right[i])) return false;
  }
  return true;
}

std::string RegistryDocument::escape(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '\\' || c == '"') escaped.push_back('\\');
    escaped.push_back(c);
  }
  return escaped;
}

RegistryDocument::RegistryDocument() : header_(kHeader), preamble_{""} {}

RegistryDocument RegistryDocument::parse(std::string_view text) {
  bool onlySpace = true;
  for (const char c : text) onlySpace = onlySpace && (isBlank(c) || c == '\n');
  if (onlySpace) {
    return RegistryDocument();
  }
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::string_view first = lines.empty() ? std::string_view() : lines.front();
  std::string_view bare = first;
  if (bare.starts_with(kByteOrderMark)) bare.remove_prefix(kByteOrderMark.size());
  if (lines.empty() || trim(bare) != kHeader) {
    throw CardError::invalid("not a REGEDIT4 registry file (its first line is not \"REGEDIT4\")");
  }

  RegistryDocument document;
  document.header_ = std::string(first);
  document.preamble_.clear();
  document.carriageReturns_ = first.ends_with("\r");
  document.finalLineBreak_ = text.ends_with("\n");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (auto path = sectionPath(line)) {
      document.sections_.push_back({std::string(*path), std::string(line), {}});
    } else if (document.sections_.empty()) {
      document.preamble_.emplace_back(line);
    } else {
      document.sections_.back().lines.emplace_back(line);
    }
  }
  return document;
}

std::string RegistryDocument::serialize() const {
  std::vector<const std::string*> lines;
  lines.push_back(&header_);
  for (const auto& line : preamble_) lines.push_back(&line);
  for (const auto& section : sections_) {
    lines.push_back(&section.header);
    for (const auto& line : section.lines) lines.push_back(&line);
  }
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    text += *lines[i];
    if (i + 1 < lines.size() || finalLineBreak_) text += '\n';
  }
  return text;
}

bool RegistryDocument::hasKey(std::string_view path) const {
  for (const auto& section : sections_) {
    if (sameKeyPath(section.path, path)) return true;
  }
  return false;
}

std::vector<std::string> RegistryDocument::keys() const {
  std::vector<std::string> result;
  for (const auto& section : sections_) {
    if (!section.path.starts_with("-")) result.push_back(section.path);
  }
  return result;
}

std::vector<std::string> RegistryDocument::subKeys(std::string_view parent) const {
  const std::string prefix = std::string(parent) + "\\";
  std::vector<std::string> result;
  for (const auto& section : sections_) {
    if (!startsWithKeyPath(section.path, prefix)) continue;
    std::string_view rest = std::string_view(section.path).substr(prefix.size());
    rest = rest.substr(0, rest.find('\\'));
    if (rest.empty()) continue;
    bool seen = false;
    for (const auto& name : result) seen = seen || sameKeyPath(name, rest);
    if (!seen) result.emplace_back(rest);
  }
  return result;
}

std::vector<RegistryValue> RegistryDocument::values(std::string_view path) const {
  for (const auto& section : sections_) {
    if (!sameKeyPath(section.path, path)) continue;
    std::vector<RegistryValue> result;
    for (const auto& line : section.lines) {
      if (auto value = parseValueLine(line)) result.push_back(std::move(*value));
    }
    return result;
  }
  return {};
}

std::optional<std::string> RegistryDocument::stringValue(std::string_view path, std::string_view name) const {
  for (const auto& value : values(path)) {
    if (sameKeyPath(value.name, name)) {
      if (const auto* text = std::get_if<std::string>(&value.data)) return *text;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::string RegistryDocument::newLine(std::string text) const {
  if (carriageReturns_) text += '\r';
  return text;
}

void RegistryDocument::addKey(std::string_view path, const std::vector<RegistryValue>& values) {
  if (path.empty() || path.starts_with("-") || path.find_first_of("[]\r\n") != std::string_view::npos ||
      path.find('\0') != std::string_view::npos) {
    throw CardError::invalid("a registry key path cannot be \"" + std::string(path) + "\"");
  }
  if (hasKey(path)) {
    throw CardError::invalid("the registry key " + std::string(path) + " exists already");
  }
  // Keep the blank line that separates sections in this format.
  std::vector<std::string>& before = sections_.empty() ? preamble_ : sections_.back().lines;
  const std::string& last = before.empty() ? (sections_.empty() ? header_ : sections_.back().header) : before.back();
  if (!trim(last).empty()) {
    before.push_back(newLine(""));
  }
  Section section{std::string(path), newLine("[" + std::string(path) + "]"), {}};
  for (const auto& value : values) {
    for (const char c : value.name) {
      if (c == '\r' || c == '\n' || c == '\0') throw CardError::invalid("a registry value name cannot hold line breaks");
    }
    if (const auto* text = std::get_if<std::string>(&value.data)) {
      if (text->find_first_of("\r\n") != std::string::npos || text->find('\0') != std::string::npos) {
        throw CardError::invalid("a registry string value cannot hold line breaks");
      }
    }
    section.lines.push_back(newLine(formatValue(value)));
  }
  section.lines.push_back(newLine(""));
  sections_.push_back(std::move(section));
  finalLineBreak_ = true;
}

std::size_t RegistryDocument::removeKey(std::string_view path) {
  return static_cast<std::size_t>(
      std::erase_if(sections_, [path](const Section& section) { return sameKeyPath(section.path, path); }));
}

}  // namespace p42r::card
