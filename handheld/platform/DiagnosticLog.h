// The diagnostic log file: lines of local time "(%Y/%m/%d %H:%M:%S)", event
// text and CR LF, each flushed at once. Written from the user-interface
// thread and the serial reader, so appends are serialised. Text is stored as
// UTF-8. While no file is open every call does nothing.
#pragma once

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace p42r::platform {

class DiagnosticLog {
 public:
  explicit DiagnosticLog(const Clock& clock) : clock_(clock) {}
  ~DiagnosticLog();
  DiagnosticLog(const DiagnosticLog&) = delete;
  DiagnosticLog& operator=(const DiagnosticLog&) = delete;

  // Opens for appending, creating the file when missing; false when it cannot.
  bool open(const std::filesystem::path& path);
  void close();
  bool isOpen() const;

  // Timestamp, text, CR LF.
  void line(std::u16string_view text);
  // Timestamp and text, which brings its own line end.
  void stamped(std::u16string_view text);
  // Text exactly as given, without timestamp.
  void raw(std::u16string_view text);

  // "(2007/11/12 07:44:41)" for the clock's present local time.
  std::string timestamp() const;

 private:
  void write(const std::string& bytes);

  const Clock& clock_;
  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
};

}  // namespace p42r::platform
