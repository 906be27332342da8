#include "frontends/commands/MetricsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
  std::string pending = path.string() + ".XXXXXX";
  const int fd = ::mkostemp(pending.data(), O_CLOEXEC);
  if (fd < 0) return "cannot write beside " + path.string() + ": " + std::strerror(errno);
  std::size_t written = 0;
  int failure = 0;
  while (written < text.size() && failure == 0) {
    const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
    if (count < 0 && errno != EINTR) failure = errno;
    if (count > 0) written += static_cast<std::size_t>(count);
  }
  // The collector may run as another user: the reception is no secret.
  if (failure == 0 && ::fchmod(fd, 0644) != 0) failure = errno;
  if (::close(fd) != 0 && failure == 0) failure = errno;
  if (failure == 0 && ::rename(pending.c_str(), path.c_str()) != 0) failure = errno;
  if (failure == 0) return std::nullopt;
  ::unlink(pending.c_str());
  return "cannot write " + path.string() + ": " + std::strerror(failure);
}

}  // namespace p42r::frontends
