// The line assembler's line cutting and echo removal on arbitrary bytes from
// the card, cut into arbitrary read chunks. Input: one byte giving the length
// of the command last written (its echo is to be dropped), the command, one
// byte that seeds the chunk sizes, then the bytes on the wire.
//
// Every line delivered is non-empty, holds no line feed, has no blank at
// either end and is not the echo of the command. Bytes without a NUL (a NUL
// ends the read it is in) give the same lines whether they arrive in one read
// or in many.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "link/LineAssembler.h"
#include "link/LineText.h"

namespace {

using namespace p42r;

const platform::CodePage& TheCodePage() {
  static const platform::CodePage codePage;
  return codePage;
}

// An assembler kept for the whole run: each command starts it afresh.
struct Assembler {
  // `command` becomes the last command written (an empty one: nothing is an echo).
  void Write(const std::string& command) { lines.StartAnswerTo(TheCodePage().toWide(command) + u"\r\n"); }
  link::LineAssembler lines{TheCodePage()};
};

Assembler& Chunked() {
  static Assembler assembler;
  return assembler;
}

Assembler& Whole() {
  static Assembler assembler;
  return assembler;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input.size() < 2) return 0;
  const std::size_t commandLength = std::min<std::size_t>(static_cast<std::uint8_t>(input[0]) % 16, input.size() - 2);
  std::string command(input.substr(1, commandLength));
  // A command is written up to its first NUL.
  command = command.substr(0, command.find('\0'));
  std::uint32_t seed = static_cast<std::uint8_t>(input[1 + commandLength]);
  const std::string_view wire = input.substr(2 + commandLength);

  Assembler& chunked = Chunked();
  chunked.Write(command);
  const std::u16string echo = chunked.lines.echo();
  std::vector<std::u16string> lines;
  for (std::size_t at = 0; at < wire.size();) {
    seed = seed * 1103515245u + 12345u;
    const std::size_t length = std::min<std::size_t>(1 + (seed >> 16) % 12, wire.size() - at);
    for (auto& line : chunked.lines.Feed(wire.substr(at, length))) lines.push_back(std::move(line));
    at += length;
  }
  for (const auto& line : lines) {
    Check(!line.empty());
    Check(line.find(u'\n') == std::u16string::npos);
    Check(!link::IsSpace(line.front()) && !link::IsSpace(line.back()));
    Check(line != echo);
  }

  if (wire.find('\0') == std::string_view::npos) {
    Assembler& whole = Whole();
    whole.Write(command);
    Check(whole.lines.Feed(wire) == lines);
  }
  return 0;
}
