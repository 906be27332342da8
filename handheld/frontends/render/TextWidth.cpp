#include "frontends/render/TextWidth.h"

#include <locale.h>
#include <wchar.h>

namespace p42r::frontends::render {

namespace {

// The East Asian wide ranges, for a system without a UTF-8 locale.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
         (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

locale_t Utf8Locale() {
  static const locale_t locale = [] {
    locale_t found = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (found == static_cast<locale_t>(nullptr)) {
      found = ::newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
    }
    return found;
  }();
  return locale;
}

bool IsLatinWordCharacter(char32_t c) { return c > U' ' && c < 0x80; }

// Closing marks that Japanese text never starts a line with.
bool StaysWithThePrevious(char32_t c) {
  return std::u32string_view(U"。、，．・：；！？）」』】〕ー～ぁぃぅぇぉっゃゅょァィゥェォッャュョ").find(c) !=
         std::u32string_view::npos;
}

}  // namespace

std::u32string DecodeUtf16(std::u16string_view text) {
  std::u32string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      result.push_back(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                       (static_cast<char32_t>(text[i + 1]) - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      result.push_back(0xFFFD);
    } else {
      result.push_back(unit);
    }
  }
  return result;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

int CharWidth(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return 0;
  if (c < 0x7F) return 1;
  const locale_t utf8 = Utf8Locale();
  if (utf8 == static_cast<locale_t>(nullptr)) return IsWide(c) ? 2 : 1;
  const locale_t previous = ::uselocale(utf8);
  const int width = ::wcwidth(static_cast<wchar_t>(c));
  ::uselocale(previous);
  if (width < 0) return 0;
  return width > 2 ? 2 : width;
}

int TextWidth(std::u32string_view text) {
  int width = 0;
  for (char32_t c : text) width += CharWidth(c);
  return width;
}

std::vector<std::u32string> WrapText(std::u32string_view text, int width) {
  std::vector<std::u32string> lines;
  if (width < 1) width = 1;
  std::u32string line;
  int lineWidth = 0;
  const auto breakLine = [&] {
    while (!line.empty() && line.back() == U' ') line.pop_back();
    lines.push_back(std::move(line));
    line.clear();
    lineWidth = 0;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (c == U'\r' || c == U'\n') {
      if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
      breakLine();
      continue;
    }
    const int w = CharWidth(c == U'\t' ? U' ' : c);
    if (w == 0) continue;
    if (lineWidth + w > width) {
      // A Latin word that is cut moves to the next line whole, if it fits there.
      std::size_t wordStart = line.size();
      while (wordStart > 0 && IsLatinWordCharacter(line[wordStart - 1])) --wordStart;
      if (IsLatinWordCharacter(c) && wordStart > 0 && wordStart < line.size() &&
          TextWidth(std::u32string_view(line).substr(wordStart)) + w <= width) {
        std::u32string word = line.substr(wordStart);
        line.erase(wordStart);
        breakLine();
        line = std::move(word);
        lineWidth = TextWidth(line);
      } else if (StaysWithThePrevious(c) && line.size() > 1) {
        // The character before goes along to the next line, so the mark has company.
        const char32_t carried = line.back();
        line.pop_back();
        breakLine();
        line.push_back(carried);
        lineWidth = CharWidth(carried);
      } else {
        breakLine();
      }
      if (c == U' ' || c == U'\t') continue;  // no blank at the start of a wrapped line
    }
    line.push_back(c == U'\t' ? U' ' : c);
    lineWidth += w;
  }
  lines.push_back(std::move(line));
  return lines;
}

std::u32string_view FittingTail(std::u32string_view text, int width) {
  std::size_t start = text.size();
  int used = 0;
  while (start > 0) {
    const int w = CharWidth(text[start - 1]);
    if (used + w > width) break;
    used += w;
    --start;
  }
  return text.substr(start);
}

}  // namespace p42r::frontends::render
