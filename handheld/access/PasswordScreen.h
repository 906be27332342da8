// What the three password screens share: the management file, the one read
// of "the system file" (the stored password with the first-boot flag, whose
// failure shows message 30003 and closes the application), and password
// fields that are emptied and take the focus again.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

#include "access/ClsDataFile.h"
#include "app/ScreenView.h"

namespace p42r::access {

class PasswordScreen : public app::ScreenView {
 public:
  PasswordScreen(app::Services& services, app::Navigator& navigator, std::uint16_t templateId,
                 std::string className);

 protected:
  struct StoredAccess {
    std::u16string password;   // decoded; empty when the common password applies
    std::u16string firstBoot;  // as stored
  };

  ClsDataFile DataFile() const;
  // Both values, or nothing after message 30003 and the close request.
  std::optional<StoredAccess> ReadStoredAccess() const;
  // "1" when the flag is exactly "1", else "0".
  std::u16string NormalisedFirstBoot(const std::u16string& flag) const;
  bool IsFirstBoot(const std::u16string& flag) const;

  std::u16string FieldText(std::uint16_t id) const;
  // Empties the fields and gives the focus to `focusId` (0: leaves it).
  void ClearFields(std::initializer_list<std::uint16_t> ids, std::uint16_t focusId);
  // Characters reach the field directly, without kana-kanji conversion.
  void DetachInputMethod(std::uint16_t id) const;
};

}  // namespace p42r::access
