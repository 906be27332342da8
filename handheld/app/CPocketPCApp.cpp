#include "app/CPocketPCApp.h"

#include "app/AboutDialog.h"
#include "platform/LastError.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace p42r::app {

namespace {

constexpr std::u16string_view kLogFileName = u"\\p42r_softup.log";
constexpr std::size_t kMaxPath = 260;

}  // namespace

CPocketPCApp::CPocketPCApp(Services& services, Options options)
    : services_(services), options_(std::move(options)) {}

CPocketPCApp::~CPocketPCApp() {
  // Screens go before the frame they live in.
  services_.display.setActiveForm(nullptr);
  screens_.clear();
  initialView_.reset();
  frame_.reset();
}

bool CPocketPCApp::HasLogOption(std::u16string_view commandLine) {
  std::size_t start = 0;
  while (start <= commandLine.size()) {
    std::size_t end = commandLine.find(u' ', start);
    if (end == std::u16string_view::npos) end = commandLine.size();
    if (commandLine.substr(start, end - start) == u"/LOG") return true;
    start = end + 1;
  }
  return false;
}

bool CPocketPCApp::InitInstance() {
  // The shell's extra controls and the framework's registry key have no
  // counterpart here. The single-document template (resource 128) names the
  // window title.
  const std::u16string appTitle = resources::LoadString(resources::strings::kAppTitle);
  services_.display.setApplicationTitle(appTitle);

  std::uint32_t error = platform::ERROR_SUCCESS;
  instanceMutex_ = platform::NamedMutex::create(services_.deviceRoot, appTitle, error);
  if (!instanceMutex_ || error == platform::ERROR_ALREADY_EXISTS) {
    startFailure_ = StartFailure::AlreadyRunning;
    return false;
  }

  logFlag_ = HasLogOption(options_.commandLine);

  if (!ProcessShellCommand()) {
    startFailure_ = StartFailure::ShellCommandFailed;
    return false;
  }

  currentScreen_ = 0;
  ScreenTable[0] = frame_->GetActiveView();
  CreateScreens();

  if (logFlag_) OpenLog();

  SwitchScreen(1);

  frame_->show(true);
  frame_->SetWindowText(DocumentTitle());
  return true;
}

bool CPocketPCApp::ProcessShellCommand() {
  document_ = std::make_unique<CPocketPCDoc>();
  frame_ = std::make_unique<CMainFrame>(services_, *this);
  if (frame_->OnCreate(options_.commandBarFails) == -1) return false;
  initialView_ = std::make_unique<CPocketPCView>(services_);
  initialView_->setNumber(0);
  initialView_->setChildId(kFirstPaneId);
  initialView_->show(true);
  frame_->SetActiveView(initialView_.get());
  return true;
}

void CPocketPCApp::CreateScreens() {
  if (options_.createScreens) screens_ = options_.createScreens(services_, *this);
  for (std::size_t i = 0; i < screens_.size() && i + 1 < ScreenTable.size(); ++i) {
    ScreenView& screen = *screens_[i];
    const int number = static_cast<int>(i + 1);
    screen.setNumber(number);
    screen.setChildId(kFirstPaneId + static_cast<std::uint32_t>(number));
    ScreenTable[i + 1] = &screen;
  }
  for (auto& screen : screens_) screen->InitialUpdate();
  RouteEntry();
}

void CPocketPCApp::RouteEntry() {
  using Entry = Options::Entry;
  // The password screens were told where they lead when they were built.
  switch (options_.entry) {
    case Entry::Consumer:
      services_.state.screenAfterStart = 15;
      return;
    case Entry::General:
      services_.state.screenAfterStart = 5;
      return;
    case Entry::Applications:
      services_.state.screenAfterStart = 13;
      return;
    case Entry::AdminConnection:
    case Entry::AdminId:
      services_.state.screenAfterStart = 2;
      return;
  }
}

void CPocketPCApp::OpenLog() {
  std::u16string path = services_.deviceRoot.moduleFileName().substr(0, kMaxPath);
  const std::size_t slash = path.rfind(u'\\');
  path = (slash == std::u16string::npos ? std::u16string() : path.substr(0, slash)) + std::u16string(kLogFileName);
  // Nothing is told when the log cannot be opened; the program runs without it.
  const auto hostPath = services_.deviceRoot.hostPath(path);
  if (!hostPath || !services_.log.open(*hostPath)) return;
  services_.log.raw(std::u16string(61, u'/') + u"\r\n");
}

platform::Form* CPocketPCApp::screen(int number) const {
  if (number < 0 || number >= kScreenCount) return nullptr;
  return ScreenTable[static_cast<std::size_t>(number)];
}

platform::Form* CPocketPCApp::SwitchScreen(int number) {
  platform::Form* next = screen(number);
  platform::Form* old = frame_ ? frame_->GetActiveView() : nullptr;
  if (old == nullptr || next == nullptr) return nullptr;
  if (next == old) return old;

  currentScreen_ = number;
  const std::uint32_t oldId = old->childId();
  old->setChildId(next->childId());
  next->setChildId(oldId);
  old->show(false);
  next->show(true);
  // Posted before the frame reports its new view, so that whoever reacts to
  // that report finds the activation already queued ahead of its own work.
  services_.windows.post(next->handle(), WM_SCREEN_ACTIVATED);
  // Invalidating the screen repaints it once the queue has nothing else.
  services_.windows.post(next->handle(), platform::WM_PAINT);
  frame_->SetActiveView(next);
  return old;
}

void CPocketPCApp::PostClose() {
  if (frame_) services_.windows.post(frame_->handle(), platform::WM_CLOSE);
}

void CPocketPCApp::OnFrameClose() {
  if (closing_) return;
  closing_ = true;
  // The frame and its child screens are destroyed; then the loop ends.
  for (auto& screen : screens_) services_.windows.send(screen->handle(), platform::WM_DESTROY);
  services_.loop.quit(0);
}

void CPocketPCApp::OnAppAbout() {
  AboutDialog about(services_, options_.landscape);
  about.DoModal();
}

int CPocketPCApp::ExitInstance() {
  if (options_.releaseDevice) options_.releaseDevice();
  if (logFlag_) services_.log.close();
  return 0;
}

}  // namespace p42r::app
