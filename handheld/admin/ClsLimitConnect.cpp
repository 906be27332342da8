#include "admin/ClsLimitConnect.h"

#include <algorithm>
#include <array>
#include <string>

#include "access/ClsInputCheck.h"
#include "link/AtVocabulary.h"
#include "link/DeviceLinkError.h"
#include "link/LineText.h"
#include "resources/StringIds.h"

namespace p42r::admin {

namespace at = link::at;
using access::ClsInputCheck;
using access::DomainCharsCheck;
using access::LengthCheck;
using access::LengthClass;

namespace {

using namespace resources::strings::domains;

constexpr std::uint16_t kDomainField = 1041;
constexpr std::uint16_t kAddButton = 1042;
constexpr std::uint16_t kEditButton = 1043;
constexpr std::uint16_t kDeleteButton = 1044;
constexpr std::uint16_t kDomainList = 1045;
constexpr std::uint16_t kResultButton = 1046;
constexpr std::uint16_t kBackButton = 1047;
// What the busy state disables and idle enables again.
constexpr std::array<std::uint16_t, 7> kExchangeControls = {kAddButton,  kEditButton, kDeleteButton, kResultButton,
                                                            kBackButton, kDomainList, kDomainField};

constexpr std::uint32_t kScreenCode = 20015;
constexpr std::uint32_t kPortReadKind = 20104;
constexpr std::uint32_t kUnexpectedLineCode = 20210;

constexpr std::uint32_t kAddNeedsEmptyRow = 30600;
constexpr std::uint32_t kTooShort = 30603;
constexpr std::uint32_t kDisallowedCharacter = 30604;
constexpr std::uint32_t kPunctuationAtEdge = 30605;
constexpr std::uint32_t kAddQuestion = 30650;
constexpr std::uint32_t kDeleteNeedsRegisteredRow = 30700;
constexpr std::uint32_t kDeleteQuestion = 30750;
constexpr std::uint32_t kEditNeedsRegisteredRow = 30800;
constexpr std::uint32_t kEditQuestionJoin = 30850;
constexpr std::uint32_t kEditQuestion = 30851;

constexpr int kBackScreen = 6;
constexpr platform::Duration kReaderStartWait{100};
constexpr platform::Duration kNextSlotWait{50};
// The list's column is four times as wide as "1111111111" in the list's font.
constexpr int kNominalDigitWidth = 6;

std::u16string SlotNumber(int row) { return std::u16string(1, static_cast<char16_t>(u'1' + row)); }

}  // namespace

ClsLimitConnect::ClsLimitConnect(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsLimitConnect", kScreenCode) {}

void ClsLimitConnect::OnInitialUpdate() {
  if (platform::Control* field = control(kDomainField)) field->detachInputMethod();
  if (platform::Control* list = List()) list->insertColumn(0, platform::ListColumn{u"", 4 * 10 * kNominalDigitWidth});
}

// --- entering the screen and reading the slots ---

void ClsLimitConnect::OnScreenActivated() {
  if (closing_) return;
  targetRow_ = -1;
  busy_ = false;
  exchangeOpen_ = false;
  ShowDomainText(u"");
  if (platform::Control* list = List()) {
    // The rows exist only while the screen is shown; leaving deleted them.
    list->deleteAllRows();
    for (int i = 0; i < kSlotCount; ++i) list->insertRow(0, u"");
  }
  ReaderParam = link::ReaderParam{handle(), channel().portHandle()};
  // One reader serves the whole read of the three slots.
  channel().StartReader(ReaderParam);
  services().clock.sleepFor(kReaderStartWait);
  EnterBusy();
  PostToSelf(app::WM_SCREEN_STEP, kSlotCount);
}

void ClsLimitConnect::OnScreenStep(std::uint64_t slotCount) {
  if (closing_) return;
  RequestNextSlot(slotCount);
}

void ClsLimitConnect::RequestNextSlot(std::uint64_t slotCount) {
  // A count of 0 is the reader's notice that it failed: the read ends here.
  if (slotsRead_ >= slotCount) {
    FinishRead();
    return;
  }
  pending_ = Operation::ReadSlot;
  targetRow_ = static_cast<int>(slotsRead_);
  if (!Write(at::CommandLine(at::kDomainRead, SlotNumber(targetRow_)))) return;
  ++slotsRead_;
  Arm();
}

void ClsLimitConnect::FinishRead() {
  slotsRead_ = 0;
  exchangeOpen_ = false;
  EnterIdle();
  setFocus(kDomainList);
  // Row 0 is selected, but the field is filled only when the user picks a row.
  if (platform::Control* list = List()) list->selectRow(0);
}

void ClsLimitConnect::HandleSlotLine(const std::u16string& line) {
  if (at::Is(line, at::kOk)) {
    exchangeOpen_ = false;
    SetRowText(targetRow_, heldSlotLine_);
    pending_ = Operation::None;
    targetRow_ = -1;
    heldSlotLine_.clear();
    services().clock.sleepFor(kNextSlotWait);
    PostToSelf(app::WM_SCREEN_STEP, kSlotCount);
    return;
  }
  if (at::Is(line, at::kError)) {
    exchangeOpen_ = false;
    MessageBox(kReadFailed, platform::MB_OK);
    heldSlotLine_.clear();
    slotsRead_ = 0;
    Leave();
    return;
  }
  // A slot holds at most one domain.
  if (!heldSlotLine_.empty()) {
    PortReadError();
    return;
  }
  heldSlotLine_ = line;
  Arm();
}

// --- the reply dispatch and the watchdog ---

void ClsLimitConnect::OnDeviceLine(platform::Message& message) {
  const auto line = at::TakeLine(message, services().codePage);
  if (!line || closing_ || !exchangeOpen_) return;
  if (!Disarm()) return;
  switch (pending_) {
    case Operation::ReadSlot:
      HandleSlotLine(*line);
      return;
    case Operation::Add:
    case Operation::Edit:
    case Operation::Delete:
      HandleChangeReply(*line);
      return;
    case Operation::ConnectionResult:
      HandleResultLine(*line);
      return;
    case Operation::None:
      return;
  }
}

void ClsLimitConnect::onTimer(platform::TimerId) {
  if (closing_) return;
  if (!Disarm()) return;
  exchangeOpen_ = false;
  MessageBox(kNoReply, platform::MB_OK);
  // What the silent exchange had collected is no answer to the next one: a
  // held slot line would make the next slot's domain look like a second
  // one, and a held digit would be shown for a later result that has none.
  heldSlotLine_.clear();
  connectionResult_ = -1;
  EnterIdle();
}

// --- add, edit and delete ---

void ClsLimitConnect::onCommand(std::uint16_t controlId, std::uint16_t) {
  // A tap that was queued before the screen became busy starts nothing.
  if (closing_ || busy_) return;
  switch (controlId) {
    case kAddButton:
      Add();
      return;
    case kEditButton:
      Edit();
      return;
    case kDeleteButton:
      Delete();
      return;
    case kResultButton:
      RequestConnectionResult();
      return;
    case kBackButton:
      Leave();
      return;
    default:
      return;
  }
}

bool ClsLimitConnect::PreCheck(Change change) {
  const platform::Control* list = List();
  targetRow_ = list ? list->selectedRow() : -1;
  if (targetRow_ < 0) return false;
  const bool registered = !RowText(targetRow_).empty();
  if (change == Change::Add && registered) {
    MessageBox(kAddNeedsEmptyRow, platform::MB_OK);
    return false;
  }
  if (change == Change::Edit && !registered) {
    MessageBox(kEditNeedsRegisteredRow, platform::MB_OK);
    return false;
  }
  if (change == Change::Delete && !registered) {
    MessageBox(kDeleteNeedsRegisteredRow, platform::MB_OK);
    return false;
  }
  // The field keeps what was typed; what is checked and sent is trimmed.
  const platform::Control* field = control(kDomainField);
  domainText_ = link::TrimSpace(field ? field->text() : std::u16string());
  return !domainText_.empty();
}

bool ClsLimitConnect::DomainAcceptable() {
  switch (ClsInputCheck::CheckLength(domainText_, LengthClass::DomainName)) {
    case LengthCheck::TooShort:
      MessageBox(kTooShort, platform::MB_OK);
      return false;
    case LengthCheck::TooLong:
      // The field's limit keeps this from being typed.
      return false;
    case LengthCheck::Acceptable:
      break;
  }
  switch (ClsInputCheck::CheckDomainChars(domainText_)) {
    case DomainCharsCheck::DisallowedCharacter:
      MessageBox(kDisallowedCharacter, platform::MB_OK);
      return false;
    case DomainCharsCheck::PunctuationAtEdge:
      MessageBox(kPunctuationAtEdge, platform::MB_OK);
      return false;
    case DomainCharsCheck::Accepted:
      return true;
  }
  return false;
}

bool ClsLimitConnect::Confirm(const std::u16string& question) {
  return MessageBox(question, platform::MB_OKCANCEL | platform::MB_ICONQUESTION) == platform::IDOK;
}

void ClsLimitConnect::Add() {
  if (!PreCheck(Change::Add) || !DomainAcceptable()) return;
  if (!Confirm(domainText_ + String(kAddQuestion))) return;
  StartReader();
  Send(at::CommandLine(at::kDomainWrite, SlotNumber(targetRow_) + u"," + domainText_), Operation::Add);
}

void ClsLimitConnect::Edit() {
  if (!PreCheck(Change::Edit) || !DomainAcceptable()) return;
  if (!Confirm(RowText(targetRow_) + String(kEditQuestionJoin) + domainText_ + String(kEditQuestion))) return;
  StartReader();
  Send(at::CommandLine(at::kDomainWrite, SlotNumber(targetRow_) + u"," + domainText_), Operation::Edit);
}

void ClsLimitConnect::Delete() {
  // The field must not be empty, although the command does not carry it.
  if (!PreCheck(Change::Delete)) return;
  if (!Confirm(RowText(targetRow_) + String(kDeleteQuestion))) return;
  StartReader();
  Send(at::CommandLine(at::kDomainDelete, SlotNumber(targetRow_)), Operation::Delete);
}

void ClsLimitConnect::HandleChangeReply(const std::u16string& line) {
  const bool ok = at::Is(line, at::kOk);
  if (!ok && !at::Is(line, at::kError)) {
    PortReadError();
    return;
  }
  exchangeOpen_ = false;
  const std::u16string rowText = RowText(targetRow_);
  constexpr std::uint32_t kInformation = platform::MB_OK | platform::MB_ICONINFORMATION;
  switch (pending_) {
    case Operation::Add:
      if (ok) {
        SetRowText(targetRow_, domainText_);
        MessageBox(domainText_, kAdded, kInformation);
      } else {
        MessageBox(domainText_, kNotRegistered, platform::MB_OK);
      }
      break;
    case Operation::Edit:
      if (ok) {
        MessageBox(domainText_, kEdited, kInformation);
        SetRowText(targetRow_, domainText_);
      } else {
        MessageBox(rowText, kNotChanged, platform::MB_OK);
      }
      break;
    case Operation::Delete:
      if (ok) {
        SetRowText(targetRow_, u"");
        MessageBox(rowText, kDeleted, kInformation);
      } else {
        MessageBox(domainText_, kNotDeleted, platform::MB_OK);
      }
      break;
    default:
      break;
  }
  pending_ = Operation::None;
  targetRow_ = -1;
  // A refused change leaves the field as it was, so it can be tried again.
  if (ok) ShowDomainText(u"");
  EnterIdle();
}

// --- the connection result ---

void ClsLimitConnect::RequestConnectionResult() {
  StartReader();
  Send(at::CommandLine(at::kConnectionResult), Operation::ConnectionResult);
}

void ClsLimitConnect::HandleResultLine(const std::u16string& line) {
  if (at::Is(line, at::kOk)) {
    // "OK" without a digit before it is no answer.
    if (connectionResult_ < 0) {
      PortReadError();
      return;
    }
    exchangeOpen_ = false;
    MessageBox(kFirstResultText + static_cast<std::uint32_t>(connectionResult_),
               platform::MB_OK | platform::MB_ICONINFORMATION);
    EnterIdle();
    connectionResult_ = -1;
    return;
  }
  if (at::Is(line, at::kError)) {
    exchangeOpen_ = false;
    MessageBox(kResultFailed, platform::MB_OK);
    EnterIdle();
    connectionResult_ = -1;
    return;
  }
  if (line.size() != 1 || line[0] < u'0' || line[0] > u'0' + kHighestResult) {
    PortReadError();
    return;
  }
  // A second digit line replaces the first.
  connectionResult_ = line[0] - u'0';
  Arm();
}

// --- the exchange machinery ---

void ClsLimitConnect::StartReader() {
  channel().StartReader(ReaderParam);
  services().clock.sleepFor(kReaderStartWait);
}

bool ClsLimitConnect::Send(const std::u16string& command, Operation operation) {
  pending_ = operation;
  if (!Write(command)) return false;
  EnterBusy();
  return Arm();
}

bool ClsLimitConnect::Write(const std::u16string& command) {
  if (!WriteCommand(command)) return false;
  exchangeOpen_ = true;
  return true;
}

void ClsLimitConnect::EnterBusy() {
  if (busy_) return;
  busy_ = true;
  services().display.setWaitCursor(true);
  EnableControls(false);
}

void ClsLimitConnect::EnterIdle() {
  channel().StopReader(channel().portHandle());
  EnableControls(true);
  services().display.setWaitCursor(false);
  busy_ = false;
}

void ClsLimitConnect::EnableControls(bool enabled) {
  for (const std::uint16_t id : kExchangeControls) {
    if (platform::Control* target = control(id)) target->enable(enabled);
  }
}

void ClsLimitConnect::Leave() {
  channel().StopReader(channel().portHandle());
  if (platform::Control* list = List()) list->deleteAllRows();
  slotsRead_ = 0;
  // Leaving after a refused slot read skips idle; the menu must not keep
  // the wait cursor, and the next entry starts from not busy.
  if (busy_) {
    services().display.setWaitCursor(false);
    busy_ = false;
  }
  // A watchdog left armed by the reader's failure notice has nothing left
  // to guard once the screen is gone; nothing is told if there is none.
  services().timers.killTimer(handle(), app::kWatchdogTimer);
  navigator().SwitchScreen(kBackScreen);
}

void ClsLimitConnect::PortReadError() {
  FatalDeviceError(link::ErrorText(kPortReadKind, kUnexpectedLineCode) + screenCode());
}

void ClsLimitConnect::FatalDeviceError(const std::u16string& text) {
  // The application closes: lines still queued, the next slot's step and the
  // watchdog must not open another box on the way.
  if (closing_) return;
  closing_ = true;
  exchangeOpen_ = false;
  ScreenView::FatalDeviceError(text);
}

// --- the list and the field ---

void ClsLimitConnect::onNotify(std::uint16_t controlId, std::int64_t code, std::uint32_t virtualKey) {
  if (controlId != kDomainList || closing_) return;
  const platform::Control* list = List();
  if (list == nullptr) return;
  int row = list->selectedRow();
  if (row < 0) return;
  if (code == platform::LVN_KEYDOWN) {
    // The notice comes before the list moves: follow the row the key selects.
    if (virtualKey == platform::VK_UP) row = std::max(row - 1, 0);
    if (virtualKey == platform::VK_DOWN) row = std::min(row + 1, kSlotCount - 1);
  } else if (code != platform::NM_CLICK) {
    return;
  }
  ShowDomainText(RowText(row));
}

void ClsLimitConnect::ShowDomainText(std::u16string text) {
  domainText_ = std::move(text);
  if (platform::Control* field = control(kDomainField)) field->setText(domainText_);
}

std::u16string ClsLimitConnect::RowText(int row) const {
  const platform::Control* list = List();
  if (list == nullptr || row < 0 || row >= static_cast<int>(list->rows().size())) return {};
  const auto& cells = list->rows()[static_cast<std::size_t>(row)];
  return cells.empty() ? std::u16string() : cells[0];
}

void ClsLimitConnect::SetRowText(int row, std::u16string text) {
  if (platform::Control* list = List()) list->setCell(row, 0, std::move(text));
}

platform::Control* ClsLimitConnect::List() const { return control(kDomainList); }

}  // namespace p42r::admin
