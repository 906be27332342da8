#include "PackageFixture.h"

#include "standin/ComState.h"
#include "standin/DriveMap.h"
#include "standin/FaultInjection.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace desktoptest {

namespace {

std::string quoted(const std::string& text) {
  std::string result = "'";
  for (const char character : text) {
    result += character == '\'' ? std::string("'\\''") : std::string(1, character);
  }
  return result + "'";
}

}  // namespace

std::filesystem::path packagePath(const std::string& name) {
  return std::filesystem::path(DESKTOP_TEST_PACKAGES) / (name + ".msi");
}

std::filesystem::path desktopProgram(const std::string& name) {
  return std::filesystem::path(DESKTOP_BINARY_DIR) / name;
}

std::string runCommand(const std::string& command, int& status) {
  FILE* pipe = ::popen(("timeout 60 " + command).c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return {};
  }
  std::string output;
  std::array<char, 4096> chunk{};
  std::size_t count;
  while ((count = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
    output.append(chunk.data(), count);
  }
  const int raw = ::pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

std::string binaryStream(const std::string& package, const std::string& key) {
  int status = 0;
  std::string bytes = runCommand(std::string(MSIINFO_PROGRAM) + " extract " + quoted(packagePath(package)) + " " +
                                     quoted("Binary." + key),
                                 status);
  EXPECT_EQ(status, 0) << "msiinfo extract of Binary." << key;
  return bytes;
}

std::vector<std::string> tableRowOrder(const std::string& package) {
  int status = 0;
  const std::string exported =
      runCommand(std::string(MSIINFO_PROGRAM) + " export " + quoted(packagePath(package)) + " SFDeskSetup", status);
  EXPECT_EQ(status, 0);
  std::vector<std::string> keys;
  std::istringstream lines(exported);
  std::string line;
  for (int index = 0; std::getline(lines, line); ++index) {
    if (index >= 3 && !line.empty()) {
      keys.push_back(line.substr(0, line.find('\t')));
    }
  }
  return keys;
}

std::optional<std::string> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << contents;
}

std::vector<std::string> without(std::vector<std::string> log, const std::string& line) {
  const auto found = std::find(log.begin(), log.end(), line);
  if (found == log.end()) {
    ADD_FAILURE() << "the log lacks: " << line;
    return log;
  }
  log.erase(found);
  return log;
}

Plan only(std::initializer_list<std::string> names, standin::ComponentPlan state) {
  Plan plan;
  for (const std::string& name : names) {
    plan.components[name] = state;
  }
  return plan;
}

void PackageTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "desksetup-test-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  root_ = pattern;
  recordFile_ = root_.string() + ".record";
  std::filesystem::create_directories(onDrive(kAppManagerOnDrive).parent_path());
  std::filesystem::copy_file(desktopProgram("ceappmgr"), onDrive(kAppManagerOnDrive));
  standin::unmapAllDrives();
  standin::mapDrive('C', root_);
  standin::exportDrivesToEnvironment();
  ::setenv("P42R_APPMGR_RECORD", recordFile_.c_str(), 1);
  standin::quietLibraryWarnings();
}

void PackageTest::TearDown() {
  standin::clearFaults();
  standin::clearErrorInfo();
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
  std::filesystem::remove(recordFile_, ignored);
}

std::vector<std::string> PackageTest::run(desksetup::EntryPoint which, const std::string& package, const Plan& plan,
                                          std::vector<std::pair<std::string, std::string>> properties) {
  standin::SessionSetup setup;
  setup.package = packagePath(package);
  setup.properties = std::move(properties);
  setup.components = plan.components;
  setup.otherComponents = plan.others;
  std::string message;
  const auto session = standin::InstallerSession::open(setup, message);
  if (!session) {
    ADD_FAILURE() << "cannot open " << package << ": " << message;
    return {};
  }
  const std::size_t handlesBefore = standin::openInstallerHandleCount();
  const std::size_t kernelHandlesBefore = standin::openKernelHandles();
  lastResult_ = desksetup::runEntryPoint(which, session->newInstallerHandle());
  // Every handle the call was given or opened is closed again, and COM is
  // uninitialised as often as it was initialised.
  EXPECT_EQ(standin::openInstallerHandleCount(), handlesBefore);
  EXPECT_EQ(standin::openKernelHandles(), kernelHandlesBefore);
  EXPECT_EQ(standin::comInitialisationDepth(), 0);
  EXPECT_EQ(lastResult_, ERROR_SUCCESS);
  return session->log();
}

std::vector<std::string> PackageTest::filesOnDrive() const {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
    const std::string relative = std::filesystem::relative(entry.path(), root_).string();
    if (entry.is_regular_file() && relative != kAppManagerOnDrive) {
      files.push_back(relative);
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> PackageTest::appManagerRecord() const {
  std::vector<std::string> lines;
  std::ifstream in(recordFile_);
  std::string line;
  while (std::getline(in, line)) {
    lines.push_back(line);
  }
  return lines;
}

}  // namespace desktoptest
