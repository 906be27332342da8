#include "link/AtVocabulary.h"

#include "link/SerialChannel.h"
#include "resources/StringTable.h"

namespace p42r::link::at {

std::u16string CommandLine(std::uint32_t commandId, std::u16string_view parameters) {
  return resources::LoadString(commandId) + std::u16string(parameters) + resources::LoadString(kLineEnd);
}

std::u16string Token(std::uint32_t id) { return resources::LoadString(id); }

bool Is(std::u16string_view line, std::uint32_t tokenId) {
  const auto token = resources::FindString(tokenId);
  return token && line == *token;
}

bool HasApplicationPrefix(std::u16string_view line) {
  const std::u16string prefix = Token(kApplicationPrefix);
  return line.substr(0, prefix.size()) == prefix;
}

bool HasWritingFragment(std::u16string_view line) {
  return line.find(Token(kWritingFragment)) != std::u16string_view::npos;
}

std::optional<std::u16string> TakeLine(platform::Message& message, const platform::CodePage& codePage) {
  std::unique_ptr<platform::Payload> payload = std::move(message.payload);
  const auto* bytes = dynamic_cast<const DeviceLineBytes*>(payload.get());
  if (bytes == nullptr) return std::nullopt;
  return codePage.toWide(bytes->bytes);
}

}  // namespace p42r::link::at
