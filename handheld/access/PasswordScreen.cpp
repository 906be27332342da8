#include "access/PasswordScreen.h"

#include "platform/Display.h"

namespace p42r::access {

namespace {

constexpr std::uint32_t kSystemFileUnreadable = 30003;
constexpr std::uint32_t kFirstBootSet = 40302;    // "1"
constexpr std::uint32_t kFirstBootClear = 40303;  // "0"

}  // namespace

PasswordScreen::PasswordScreen(app::Services& services, app::Navigator& navigator, std::uint16_t templateId,
                               std::string className)
    : ScreenView(services, navigator, templateId, std::move(className)) {}

ClsDataFile PasswordScreen::DataFile() const {
  return ClsDataFile(services().files, services().deviceRoot, services().codePage);
}

std::optional<PasswordScreen::StoredAccess> PasswordScreen::ReadStoredAccess() const {
  const ClsDataFile dataFile = DataFile();
  StoredAccess stored;
  if (!dataFile.ReadEntry(SectionKind::Data3, EntryKey::Tag, stored.password) ||
      !dataFile.ReadEntry(SectionKind::Boot, EntryKey::FirstBoot, stored.firstBoot)) {
    MessageBox(kSystemFileUnreadable, platform::MB_OK);
    navigator().PostClose();
    return std::nullopt;
  }
  return stored;
}

bool PasswordScreen::IsFirstBoot(const std::u16string& flag) const { return flag == String(kFirstBootSet); }

std::u16string PasswordScreen::NormalisedFirstBoot(const std::u16string& flag) const {
  return String(IsFirstBoot(flag) ? kFirstBootSet : kFirstBootClear);
}

std::u16string PasswordScreen::FieldText(std::uint16_t id) const {
  const platform::Control* field = control(id);
  return field != nullptr ? field->text() : std::u16string();
}

void PasswordScreen::ClearFields(std::initializer_list<std::uint16_t> ids, std::uint16_t focusId) {
  for (const std::uint16_t id : ids) {
    if (platform::Control* field = control(id)) field->setText(u"");
  }
  if (focusId != 0) setFocus(focusId);
}

void PasswordScreen::DetachInputMethod(std::uint16_t id) const {
  if (platform::Control* field = control(id)) field->detachInputMethod();
}

}  // namespace p42r::access
