// The one reader of installer strings: what a call reports with
// ERROR_MORE_DATA decides the second read, whichever unit it counts in.
#include "InstallerQueries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// A call over `text` that asks for `needed` when the buffer is too small
// (the bytes, or the characters of a double-byte text), and counts its calls.
struct StringCall {
  std::string text;
  DWORD needed;
  int calls = 0;
  UINT operator()(char* buffer, DWORD* size) {
    ++calls;
    const DWORD capacity = *size;
    if (text.size() >= capacity) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *size = static_cast<DWORD>(text.size());
    return ERROR_SUCCESS;
  }
};

TEST(InstallerStrings, EachValueIsReadWholeInAtMostTwoCallsOrNotAtAll) {
  const std::string path(600, 'p');
  const std::string japanese(1200, '\x83');  // 600 double-byte characters
  struct Case {
    const char* name;
    StringCall call;
    UINT result;
    std::string text;
    int calls;
  } cases[] = {
      {"fits the first buffer", {"C:\\Program Files", 16}, ERROR_SUCCESS, "C:\\Program Files", 1},
      {"longer, counted in bytes", {path, 600}, ERROR_SUCCESS, path, 2},
      {"longer, counted in characters", {japanese, 600}, ERROR_SUCCESS, japanese, 2},
      {"a megabyte", {std::string(1024 * 1024, 'x'), 1024 * 1024}, ERROR_MORE_DATA, "", 1},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const desksetup::InstallerValue value = desksetup::readInstallerString(512, std::ref(c.call));
    EXPECT_EQ(value.result, c.result);
    EXPECT_EQ(value.text, c.text);
    EXPECT_EQ(c.call.calls, c.calls);
  }
}

}  // namespace
