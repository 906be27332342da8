#include "standin/CodePage.h"

#include "Win32Api.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <vector>

namespace standin {

namespace {

std::atomic<unsigned> currentCodePage{932};

std::string iconvName(unsigned codePage) {
  return codePage == CP_UTF8 ? std::string("UTF-8") : "CP" + std::to_string(codePage);
}

std::size_t utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

// The iconv descriptors this thread has opened, one for each direction and
// code page, kept until the thread ends: opening one costs far more than a
// short conversion, and every text of a package passes through here.
class ThreadConverters {
 public:
  ThreadConverters() = default;
  ThreadConverters(const ThreadConverters&) = delete;
  ThreadConverters& operator=(const ThreadConverters&) = delete;
  ~ThreadConverters() {
    for (const auto& entry : open_) iconv_close(entry.converter);
  }

  // The descriptor from `from` to `to` in its initial state; (iconv_t)-1
  // when iconv has no such conversion.
  iconv_t get(const std::string& from, const std::string& to) {
    for (const auto& entry : open_) {
      if (entry.from == from && entry.to == to) {
        iconv(entry.converter, nullptr, nullptr, nullptr, nullptr);
        return entry.converter;
      }
    }
    const iconv_t converter = iconv_open(to.c_str(), from.c_str());
    if (converter != reinterpret_cast<iconv_t>(-1)) open_.push_back({from, to, converter});
    return converter;
  }

 private:
  struct Entry {
    std::string from;
    std::string to;
    iconv_t converter;
  };
  std::vector<Entry> open_;
};

// Converts with iconv, replacing what cannot be converted: a character of
// the input (its length given by skipLength) becomes the replacement text.
template <typename SkipLength>
std::string convert(const std::string& from, const std::string& to, std::string_view input,
                    std::string_view replacement, SkipLength skipLength) {
  thread_local ThreadConverters converters;
  iconv_t converter = converters.get(from, to);
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    return std::string(input);
  }
  std::string output;
  output.reserve(input.size() * 2);
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char chunk[256];
  while (inLeft > 0) {
    char* out = chunk;
    std::size_t outLeft = sizeof(chunk);
    const std::size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
    output.append(chunk, sizeof(chunk) - outLeft);
    if (done == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) {
        continue;
      }
      const std::size_t skip = std::min(inLeft, skipLength(static_cast<unsigned char>(*in)));
      output += replacement;
      in += skip;
      inLeft -= skip;
      iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return output;
}

}  // namespace

bool setAnsiCodePage(unsigned codePage) {
  iconv_t probe = iconv_open("UTF-8", iconvName(codePage).c_str());
  if (probe == reinterpret_cast<iconv_t>(-1)) {
    return false;
  }
  iconv_close(probe);
  currentCodePage = codePage;
  return true;
}

unsigned ansiCodePage() { return currentCodePage; }

std::string utf8ToAnsi(std::string_view utf8) {
  if (currentCodePage == CP_UTF8) {
    return std::string(utf8);
  }
  return convert("UTF-8", iconvName(currentCodePage), utf8, "?", utf8SequenceLength);
}

std::string ansiToUtf8(std::string_view ansi) {
  if (currentCodePage == CP_UTF8) {
    return std::string(ansi);
  }
  return convert(iconvName(currentCodePage), "UTF-8", ansi, "\xEF\xBF\xBD", [](unsigned char) {
    return std::size_t{1};
  });
}

std::wstring utf8ToWide(std::string_view utf8) {
  std::wstring wide;
  wide.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = utf8SequenceLength(lead);
    if (at + length > utf8.size() || (length == 1 && lead >= 0x80)) {
      wide += static_cast<wchar_t>(0xFFFD);
      ++at;
      continue;
    }
    std::uint32_t code = length == 1 ? lead : (lead & (0x7Fu >> length));
    bool valid = true;
    for (std::size_t next = 1; next < length; ++next) {
      const auto continuation = static_cast<unsigned char>(utf8[at + next]);
      valid = valid && (continuation & 0xC0) == 0x80;
      code = (code << 6) | (continuation & 0x3Fu);
    }
    wide += valid ? static_cast<wchar_t>(code) : static_cast<wchar_t>(0xFFFD);
    at += valid ? length : 1;
  }
  return wide;
}

std::string wideToUtf8(std::wstring_view wide) {
  std::string utf8;
  utf8.reserve(wide.size());
  for (const wchar_t character : wide) {
    auto code = static_cast<std::uint32_t>(character);
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (code >> 12));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (code >> 18));
      utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return utf8;
}

}  // namespace standin

namespace {

std::string_view inputText(const char* text, int length) {
  return length < 0 ? std::string_view(text, std::strlen(text) + 1)
                    : std::string_view(text, static_cast<std::size_t>(length));
}

std::wstring_view inputText(const wchar_t* text, int length) {
  return length < 0 ? std::wstring_view(text, std::wcslen(text) + 1)
                    : std::wstring_view(text, static_cast<std::size_t>(length));
}

template <typename Char>
int copyConverted(const std::basic_string<Char>& converted, Char* output, int capacity) {
  const int needed = static_cast<int>(converted.size());
  if (capacity == 0) {
    return needed;
  }
  if (capacity < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::copy(converted.begin(), converted.end(), output);
  return needed;
}

std::string toUtf8(UINT codePage, std::string_view text) {
  return codePage == CP_UTF8 ? std::string(text) : standin::ansiToUtf8(text);
}

std::string fromUtf8(UINT codePage, std::string_view text) {
  return codePage == CP_UTF8 ? std::string(text) : standin::utf8ToAnsi(text);
}

}  // namespace

extern "C" int WINAPI MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte,
                                          LPWSTR lpWideCharStr, int cchWideChar) {
  if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cchWideChar < 0 ||
      (CodePage != CP_ACP && CodePage != CP_UTF8)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::wstring wide = standin::utf8ToWide(toUtf8(CodePage, inputText(lpMultiByteStr, cbMultiByte)));
  return copyConverted(wide, lpWideCharStr, cchWideChar);
}

extern "C" int WINAPI WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar,
                                          LPSTR lpMultiByteStr, int cbMultiByte, LPCCH, LPBOOL lpUsedDefaultChar) {
  if (lpWideCharStr == nullptr || cchWideChar == 0 || cbMultiByte < 0 ||
      (CodePage != CP_ACP && CodePage != CP_UTF8)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string utf8 = standin::wideToUtf8(inputText(lpWideCharStr, cchWideChar));
  const std::string converted = fromUtf8(CodePage, utf8);
  if (lpUsedDefaultChar != nullptr) {
    *lpUsedDefaultChar = standin::ansiToUtf8(converted) == utf8 ? FALSE : TRUE;
  }
  return copyConverted(converted, lpMultiByteStr, cbMultiByte);
}
