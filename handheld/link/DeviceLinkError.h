// The failure raised by the device link: the composed error text that the
// catching screen shows (with its screen code appended, unless the text is
// the device-missing message, which travels alone).
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace p42r::link {

class DeviceLinkError final : public std::exception {
 public:
  explicit DeviceLinkError(std::u16string text, bool deviceMissing = false)
      : text_(std::move(text)), deviceMissing_(deviceMissing) {}

  const char* what() const noexcept override { return "device link error"; }
  const std::u16string& text() const { return text_; }
  // True for the device-missing text, which gets no screen code.
  bool deviceMissing() const { return deviceMissing_; }
  // The text as the catching screen shows it.
  std::u16string withScreenCode(const std::u16string& screenCode) const {
    return deviceMissing_ ? text_ : text_ + screenCode;
  }

 private:
  std::u16string text_;
  bool deviceMissing_;
};

// kind + code, joined without separators: ErrorText(20106, 20400) reads タイマーエラー(201.
std::u16string ErrorText(std::uint32_t kindId, std::uint32_t codeId);

}  // namespace p42r::link
