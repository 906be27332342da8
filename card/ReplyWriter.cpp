#include "card/ReplyWriter.h"

namespace p42r::card {

std::string ReplyWriter::frame(std::string_view line) {
  std::string framed;
  framed.reserve(line.size() + 4);
  framed += "\r\n";
  framed += line;
  framed += "\r\n";
  return framed;
}

void ReplyWriter::echo(char byte) {
  if (!muted_) {
    output_.push_back(byte);
  }
}

void ReplyWriter::line(std::string_view text) {
  if (!muted_) {
    output_ += framing_ ? framing_(text) : frame(text);
  }
}

void ReplyWriter::raw(std::string_view bytes) {
  if (!muted_) {
    output_ += bytes;
  }
}

void ReplyWriter::lines(std::vector<std::string> texts, std::chrono::milliseconds delay) {
  if (delay.count() <= 0) {
    for (const auto& text : texts) {
      line(text);
    }
    return;
  }
  scheduler_.after(delay, TimerGroup::Reply, [this, texts = std::move(texts)] {
    for (const auto& text : texts) {
      line(text);
    }
  });
}

std::string ReplyWriter::take() {
  std::string taken;
  taken.swap(output_);
  return taken;
}

}  // namespace p42r::card
