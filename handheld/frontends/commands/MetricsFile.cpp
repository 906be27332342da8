#include "frontends/commands/MetricsFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/Files.h"

namespace p42r::frontends {

namespace {

// A label value carries the card's own text: backslash, quote and line
// feed are escaped so it can never end the label or the line.
std::string LabelValue(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '\\') escaped += "\\\\";
    else if (c == '"') escaped += "\\\"";
    else if (c == '\n') escaped += "\\n";
    else escaped += c;
  }
  return escaped;
}

void Gauge(std::string& out, const char* name, const char* help, const std::string& labels, const std::string& value) {
  out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n" + name + labels + " " + value +
         "\n";
}

}  // namespace

std::string MetricsText(const ReceptionSample& sample) {
  std::string out;
  Gauge(out, "p42r_signal_up", "Whether the card answered the last reception query (1) or not (0).", "",
        sample.answered ? "1" : "0");
  if (sample.answered) {
    Gauge(out, "p42r_signal_level", "The card's reception level, 0 to 4.", "", std::to_string(sample.level));
    if (!sample.network.empty()) {
      Gauge(out, "p42r_signal_network_info", "The network kind the card shows, as a label.",
            "{network=\"" + LabelValue(sample.network) + "\"}", "1");
    }
  }
  Gauge(out, "p42r_signal_timestamp_seconds", "When the reception was last asked for, in seconds since 1970.", "",
        std::to_string(static_cast<long long>(sample.when)));
  return out;
}

std::optional<std::string> ReplaceMetricsFile(const std::filesystem::path& path, const std::string& text) {
  platform::HostFileSystem files;
  if (auto failed = platform::ReplaceFileContent(files, path, text, platform::FileAttribute::Normal)) {
    return failed->describe();
  }
  // The collector may run as another user: the reception is no secret.
  if (::chmod(path.c_str(), 0644) != 0) return "chmod " + path.string() + ": " + std::strerror(errno);
  return std::nullopt;
}

}  // namespace p42r::frontends
