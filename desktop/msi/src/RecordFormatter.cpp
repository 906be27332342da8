#include "RecordFormatter.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace standin {

namespace {

struct Formatted {
  std::string text;
  int references = 0;
  int emptyReferences = 0;
};

class TemplateFormatter {
public:
  TemplateFormatter(std::string_view text, const Record& record, const PropertyLookup& properties)
      : text_(text), record_(record), properties_(properties) {}

  std::string run() { return sequence(false).text; }

private:
  Formatted sequence(bool insideGroup) {
    Formatted result;
    while (at_ < text_.size()) {
      const char character = text_[at_];
      if (character == '}' && insideGroup) {
        return result;
      }
      if (character == '{') {
        group(result);
      } else if (character == '[') {
        reference(result);
      } else {
        result.text += character;
        ++at_;
      }
    }
    return result;
  }

  void group(Formatted& outer) {
    const std::size_t start = at_;
    ++at_;
    Formatted inner = sequence(true);
    if (at_ >= text_.size()) {
      outer.text += text_.substr(start);  // an unclosed brace is plain text
      return;
    }
    ++at_;  // the closing brace
    if (inner.references == 0) {
      outer.text += '{' + inner.text + '}';
    } else if (inner.emptyReferences == 0) {
      outer.text += inner.text;
    }
  }

  void reference(Formatted& result) {
    if (at_ + 3 < text_.size() && text_[at_ + 1] == '\\' && text_[at_ + 3] == ']') {
      result.text += text_[at_ + 2];  // [\x]: x as it stands, even a bracket
      at_ += 4;
      return;
    }
    const std::size_t close = text_.find(']', at_ + 1);
    if (close == std::string_view::npos) {
      result.text += text_.substr(at_);
      at_ = text_.size();
      return;
    }
    const std::string_view name = text_.substr(at_ + 1, close - at_ - 1);
    at_ = close + 1;
    if (name.empty()) {
      result.text += "[]";
      return;
    }
    if (name == "~") {
      result.text += '\0';
      return;
    }
    std::optional<std::string> value;
    if (std::all_of(name.begin(), name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
      value = record_.text(static_cast<unsigned>(std::strtoul(std::string(name).c_str(), nullptr, 10)));
    } else if (name[0] == '%') {
      const char* variable = std::getenv(std::string(name.substr(1)).c_str());
      value = variable != nullptr ? variable : "";
    } else if (name[0] == '#' || name[0] == '!' || name[0] == '$') {
      value = "";  // file and component references: nothing installed here to name
    } else {
      value = properties_ ? properties_(name) : std::nullopt;
      if (!value) {
        result.text += '[' + std::string(name) + ']';  // no session: left as written
        return;
      }
    }
    ++result.references;
    if (value->empty()) {
      ++result.emptyReferences;
    }
    result.text += *value;
  }

  std::string_view text_;
  const Record& record_;
  const PropertyLookup& properties_;
  std::size_t at_ = 0;
};

}  // namespace

std::string formatTemplate(std::string_view templateText, const Record& record, const PropertyLookup& properties) {
  return TemplateFormatter(templateText, record, properties).run();
}

std::string formatRecord(const Record& record, const PropertyLookup& properties) {
  if (!record.isNull(0)) {
    return formatTemplate(record.text(0), record, properties);
  }
  std::string text;
  for (unsigned index = 1; index <= record.fieldCount(); ++index) {
    text += std::to_string(index) + ": " + record.text(index) + ' ';
  }
  return text;
}

}  // namespace standin
