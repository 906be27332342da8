// The reception as a file for a monitoring system's collector (the text
// exposition format that the Prometheus node exporter's textfile collector
// reads): rewritten whole after every answer, by rename, so the collector
// never reads half a file.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace p42r::frontends {

struct ReceptionSample {
  bool answered = false;  // the card gave its reception
  int level = 0;          // 0-4, when answered
  std::string network;    // the network kind's label, when answered and shown
  std::time_t when = 0;   // the time of the query
};

// The exposition of one sample: p42r_signal_up, p42r_signal_level,
// p42r_signal_network_info and p42r_signal_timestamp_seconds.
std::string MetricsText(const ReceptionSample& sample);

// Gives `path` exactly `text` through a complete copy renamed onto it
// (platform::ReplaceFileContent), readable by all; why it could not, otherwise.
std::optional<std::string> ReplaceMetricsFile(const std::filesystem::path& path, const std::string& text);

}  // namespace p42r::frontends
