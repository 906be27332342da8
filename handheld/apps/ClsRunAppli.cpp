#include "apps/ClsRunAppli.h"

#include "link/AtVocabulary.h"
#include "link/DeviceLinkError.h"
#include "resources/StringIds.h"

namespace p42r::apps {

namespace at = link::at;

namespace {

using namespace resources::strings::applications;

constexpr std::uint16_t kList = 1052;
constexpr std::uint16_t kLaunch = 1053;
constexpr std::uint16_t kTerminate = 1054;
constexpr std::uint16_t kBack = 1057;

constexpr std::uint32_t kScreenCode = 20009;
constexpr std::uint32_t kLaunched = 31051;
constexpr std::uint32_t kTerminated = 31151;
constexpr std::uint32_t kAlreadyRunning = 32114;
constexpr std::uint32_t kAlreadyTerminated = 32115;
constexpr std::uint32_t kPortStateKind = 20100;
constexpr std::uint32_t kUnexpectedLineCode = 20210;

constexpr int kMenuScreen = 5;
constexpr platform::Duration kReaderStartWait{100};

// Column 0 is as wide as "12345678" in the list's font (six pixels a
// character), column 1 four times that.
constexpr int kStateColumnWidth = 8 * 6;

constexpr std::u16string_view kStatusParameter = u"APP?";
constexpr std::u16string_view kNameParameter = u",6";
constexpr std::u16string_view kLaunchParameter = u",1";
constexpr std::u16string_view kTerminateParameter = u",2";

// The state digits as the card sends them; what does not start with a
// number counts as 0, as a C conversion would take it.
int DecimalValue(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
  }
  return static_cast<int>(negative ? -value : value);
}

// The part of a reply line after its first "=" (empty when there is none).
std::u16string_view AfterEquals(std::u16string_view line) {
  const std::size_t equals = line.find(u'=');
  return equals == std::u16string_view::npos ? std::u16string_view() : line.substr(equals + 1);
}

std::u16string Substituted(std::u16string pattern, const std::u16string& name) {
  const std::size_t at = pattern.find(u"%s");
  if (at != std::u16string::npos) pattern.replace(at, 2, name);
  return pattern;
}

}  // namespace

ClsRunAppli::ClsRunAppli(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsRunAppli", kScreenCode) {}

void ClsRunAppli::OnInitialUpdate() {
  if (platform::Control* list = control(kList)) {
    list->insertColumn(0, platform::ListColumn{u"", kStateColumnWidth});
    list->insertColumn(1, platform::ListColumn{u"", 4 * kStateColumnWidth});
  }
}

void ClsRunAppli::OnScreenActivated() { Open(); }

void ClsRunAppli::Open() {
  records_.fill(ApplicationRecord{});
  if (platform::Control* list = control(kList)) list->deleteAllRows();
  firstBuild_ = true;
  actedCode_.clear();
  action_ = Action::None;
  expectedState_ = -1;
  failed_ = false;
  selectedRow_ = -1;
  step_ = Step::Idle;

  if (!channel().isOpen()) {
    try {
      channel().Open(services().state.portName + u":");
    } catch (const link::DeviceLinkError& error) {
      MessageBox(error.withScreenCode(screenCode()), platform::MB_OK);
      if (channel().isOpen()) channel().Close();
      if (platform::Control* list = control(kList)) list->deleteAllRows();
      navigator().SwitchScreen(kMenuScreen);
      return;
    }
  }

  ReaderParam = link::ReaderParam{handle(), channel().portHandle()};
  channel().StartReader(ReaderParam);
  ResumeReader();
  // The reader is waiting before the card can answer.
  services().clock.sleepFor(kReaderStartWait);

  setFocus(kList);
  BusyOn();
  const platform::Control* list = control(kList);
  PostToSelf(app::WM_SCREEN_STEP, list ? list->rows().size() : 0);
}

void ClsRunAppli::OnScreenStep(std::uint64_t) {
  if (closing_) return;
  SendStatusQuery();
}

void ClsRunAppli::SendStatusQuery() {
  step_ = Step::StatusQuery;
  if (!WriteOperation(kStatusParameter)) return;
  Arm();
}

void ClsRunAppli::SendNameQuery() {
  if (nameIndex_ >= kRecordCount || records_[nameIndex_].code.empty()) {
    step_ = Step::Idle;
    BuildList();
    BusyOff();
    return;
  }
  step_ = Step::NameQuery;
  nameAnswered_ = false;
  if (!WriteOperation(records_[nameIndex_].code + std::u16string(kNameParameter))) return;
  Arm();
}

bool ClsRunAppli::WriteOperation(std::u16string_view parameters) {
  return WriteCommand(at::CommandLine(at::kApplications, parameters));
}

void ClsRunAppli::OnDeviceLine(platform::Message& message) {
  const auto line = at::TakeLine(message, services().codePage);
  if (!line || closing_) return;
  // While idle the reader is held: what the card says between exchanges
  // answers nothing, and no watchdog runs that could be stopped.
  if (readerSuspended_ || step_ == Step::Idle) return;
  if (!StopWatchdog()) return;
  switch (step_) {
    case Step::StatusQuery:
      HandleStatusLine(*line);
      return;
    case Step::NameQuery:
      HandleNameLine(*line);
      return;
    case Step::LaunchSent:
      HandleLaunchReply(*line);
      return;
    case Step::TerminateSent:
      HandleTerminateReply(*line);
      return;
    case Step::Idle:
      return;
  }
}

void ClsRunAppli::HandleStatusLine(const std::u16string& line) {
  services().log.line(u"GetAppCodeRes resCode=" + line);
  if (at::HasApplicationPrefix(line)) {
    ParseStatusList(line);
    Arm();
    return;
  }
  if (!at::Is(line, at::kOk)) {
    StatusUnavailable();
    return;
  }
  if (firstBuild_) {
    firstBuild_ = false;
    if (!records_[0].code.empty()) {
      nameIndex_ = 0;
      SendNameQuery();
    } else {
      step_ = Step::Idle;
      BusyOff();
    }
    return;
  }
  // The fresh status after a launch or terminate.
  step_ = Step::Idle;
  BuildList();
  ReportLastAction();
  BusyOff();
}

void ClsRunAppli::ParseStatusList(std::u16string_view line) {
  const std::u16string_view entries = AfterEquals(line);
  if (entries.empty()) return;
  std::size_t record = 0;
  std::u16string gathered;
  for (const char16_t c : entries) {
    if (c == u'+') {
      records_[record].code = gathered;
      gathered.clear();
    } else if (c == u'/') {
      records_[record].state = DecimalValue(gathered);
      gathered.clear();
      if (++record == kRecordCount) return;
    } else {
      gathered += c;
    }
  }
}

void ClsRunAppli::HandleNameLine(const std::u16string& line) {
  if (at::HasApplicationPrefix(line)) {
    std::u16string_view name = AfterEquals(line);
    if (name.size() > kNameLimit) name = name.substr(name.size() - kNameLimit);
    if (nameIndex_ < kRecordCount) {
      if (!name.empty()) records_[nameIndex_].name = std::u16string(name);
      ++nameIndex_;
    }
    nameAnswered_ = true;
    Arm();
    return;
  }
  if (!at::Is(line, at::kOk)) {
    StatusUnavailable();
    return;
  }
  // An application whose query brought no name line is not asked again:
  // the same question would only bring the same answer, without end.
  if (!nameAnswered_ && nameIndex_ < kRecordCount) ++nameIndex_;
  SendNameQuery();
}

void ClsRunAppli::StatusUnavailable() {
  // The exchange is over; nothing the card still says belongs to it.
  step_ = Step::Idle;
  MessageBox(kStatusUnavailable, platform::MB_OK);
  if (platform::Control* list = control(kList)) list->deleteAllRows();
  StopReader();
  if (channel().isOpen()) channel().Close();
  // The wait cursor belongs to this screen; the menu is not busy.
  ShowIdle();
  navigator().SwitchScreen(kMenuScreen);
}

void ClsRunAppli::BuildList() {
  platform::Control* list = control(kList);
  if (list == nullptr) return;
  list->deleteAllRows();
  for (ApplicationRecord& record : records_) record.listRow = -1;
  // From the sixth record to the first: the list shows them in reverse.
  for (std::size_t i = kRecordCount; i-- > 0;) {
    ApplicationRecord& record = records_[i];
    if (record.name.empty()) continue;
    const int row =
        list->insertRow(static_cast<int>(list->rows().size()), record.state == 1 ? String(kRunning) : u"");
    if (row < 0 || !list->setCell(row, 1, record.name)) {
      list->deleteAllRows();
      for (ApplicationRecord& shown : records_) shown.listRow = -1;
      return;
    }
    record.listRow = row;
  }
}

void ClsRunAppli::ReportLastAction() {
  if (action_ != Action::None && !actedCode_.empty()) {
    for (const ApplicationRecord& record : records_) {
      if (record.code != actedCode_) continue;
      const bool launch = action_ == Action::Launch;
      if (launch && record.state == 1 && expectedState_ == 0) {
        MessageBox(Substituted(String(kAlreadyRunning), record.name), platform::MB_OK);
      } else if (!launch && record.state == 0 && expectedState_ == 1) {
        MessageBox(Substituted(String(kAlreadyTerminated), record.name), platform::MB_OK);
      } else if (launch) {
        ShowResult(record.name, failed_ ? kLaunchFailed : kLaunched,
                   failed_ ? platform::MB_ICONEXCLAMATION : platform::MB_ICONINFORMATION);
      } else {
        ShowResult(record.name, failed_ ? kTerminateFailed : kTerminated,
                   failed_ ? platform::MB_ICONEXCLAMATION : platform::MB_ICONINFORMATION);
      }
      break;
    }
  }
  actedCode_.clear();
  action_ = Action::None;
  expectedState_ = -1;
}

void ClsRunAppli::onCommand(std::uint16_t controlId, std::uint16_t) {
  // A disabled button gives no command; the screen is busy while they are.
  if (busy_ || closing_) return;
  switch (controlId) {
    case kLaunch:
      Act(Action::Launch);
      return;
    case kTerminate:
      Act(Action::Terminate);
      return;
    case kBack:
      if (platform::Control* list = control(kList)) list->deleteAllRows();
      StopReader();
      navigator().SwitchScreen(kMenuScreen);
      return;
    default:
      return;
  }
}

void ClsRunAppli::Act(Action action) {
  const platform::Control* list = control(kList);
  const int row = list ? list->selectedRow() : -1;
  if (row < 0) return;
  std::size_t index = 0;
  while (index < kRecordCount && records_[index].listRow != row) ++index;
  if (index == kRecordCount) {
    services().log.line(u"[inside error]The data does not exist. nListIndex=" +
                        platform::FromUtf8(std::to_string(row)));
    return;
  }
  selectedRow_ = row;
  const bool launch = action == Action::Launch;
  const ApplicationRecord& record = records_[index];
  const int answer = MessageBox(record.name, launch ? kLaunchQuestion : kTerminateQuestion,
                                platform::MB_OKCANCEL | platform::MB_ICONQUESTION);
  if (answer != platform::IDOK || closing_) return;

  ResumeReader();
  step_ = launch ? Step::LaunchSent : Step::TerminateSent;
  if (!WriteOperation(record.code + std::u16string(launch ? kLaunchParameter : kTerminateParameter))) return;
  BusyOn();
  actedRecord_ = index;
  actedCode_ = record.code;
  action_ = action;
  Arm();
}

void ClsRunAppli::HandleLaunchReply(const std::u16string& line) {
  if (at::Is(line, at::kOk)) {
    step_ = Step::Idle;
    failed_ = false;
    records_[actedRecord_].state = 1;
    if (AnotherListedRecordRuns(actedRecord_)) {
      // Starting one may have ended another: the card tells what runs now.
      expectedState_ = 1;
      PostToSelf(app::WM_SCREEN_STEP);
      selectedRow_ = -1;
      return;
    }
    SetStateCell(selectedRow_, true);
    ShowResult(records_[actedRecord_].name, kLaunched, platform::MB_ICONINFORMATION);
    BusyOff();
    selectedRow_ = -1;
    return;
  }
  if (at::Is(line, at::kError)) {
    ActionRefused();
    return;
  }
  FatalDeviceError(link::ErrorText(kPortStateKind, kUnexpectedLineCode) + screenCode());
}

void ClsRunAppli::HandleTerminateReply(const std::u16string& line) {
  if (at::Is(line, at::kOk)) {
    step_ = Step::Idle;
    failed_ = false;
    records_[actedRecord_].state = 0;
    SetStateCell(selectedRow_, false);
    ShowResult(records_[actedRecord_].name, kTerminated, platform::MB_ICONINFORMATION);
    selectedRow_ = -1;
    BusyOff();
    return;
  }
  if (at::Is(line, at::kError)) {
    ActionRefused();
    return;
  }
  FatalDeviceError(link::ErrorText(kPortStateKind, kUnexpectedLineCode) + screenCode());
}

void ClsRunAppli::ActionRefused() {
  step_ = Step::Idle;
  expectedState_ = records_[actedRecord_].state;
  failed_ = true;
  PostToSelf(app::WM_SCREEN_STEP);
  selectedRow_ = -1;
}

bool ClsRunAppli::AnotherListedRecordRuns(std::size_t index) const {
  for (std::size_t i = 0; i < kRecordCount; ++i) {
    const ApplicationRecord& other = records_[i];
    if (i != index && other.listRow != -1 && other.code != records_[index].code && other.state == 1) return true;
  }
  return false;
}

void ClsRunAppli::onTimer(platform::TimerId id) {
  if (id != app::kWatchdogTimer || closing_) return;
  if (!StopWatchdog()) return;
  // A reply that comes after all this belongs to no exchange any more. The
  // step is left as it was.
  SuspendReader();
  MessageBox(kNoReply, platform::MB_OK);
  ShowIdle();
}

void ClsRunAppli::onDestroy() {
  StopReader();
  if (channel().isOpen()) channel().Close();
}

void ClsRunAppli::FatalDeviceError(const std::u16string& text) {
  // The application closes: a line or a timer met while the box is open
  // must not open another one.
  if (closing_) return;
  closing_ = true;
  step_ = Step::Idle;
  ScreenView::FatalDeviceError(text);
}

void ClsRunAppli::BusyOn() {
  busy_ = true;
  services().display.setWaitCursor(true);
  for (const std::uint16_t id : {kLaunch, kTerminate, kBack}) {
    if (platform::Control* button = control(id)) button->enable(false);
  }
}

void ClsRunAppli::BusyOff() {
  SuspendReader();
  ShowIdle();
}

void ClsRunAppli::ShowIdle() {
  for (const std::uint16_t id : {kLaunch, kTerminate, kBack}) {
    if (platform::Control* button = control(id)) button->enable(true);
  }
  services().display.setWaitCursor(false);
  busy_ = false;
}

void ClsRunAppli::StopReader() {
  SuspendReader();
  channel().StopReader(channel().portHandle());
}

void ClsRunAppli::ShowResult(const std::u16string& name, std::uint32_t textId, std::uint32_t icon) {
  MessageBox(name, textId, platform::MB_OK | icon);
}

void ClsRunAppli::SetStateCell(int row, bool running) {
  if (platform::Control* list = control(kList)) list->setCell(row, 0, running ? String(kRunning) : u"");
}

}  // namespace p42r::apps
