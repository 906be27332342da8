// The command line as a table: what each line means, and the message a bad
// one gets (it must name what is wrong).
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "program/ProgramOptions.h"

namespace p42r::program {
namespace {

struct BadLine {
  std::vector<std::string> arguments;
  std::string message;  // a part of the error
};

TEST(ProgramOptions, BadLinesAreRefusedNamingTheOption) {
  const BadLine lines[] = {
      {{"--port"}, "--port"},
      {{"--port", "--sim"}, "--port needs"},
      {{"--device-root"}, "--device-root"},
      {{"-x"}, "unknown option -x"},
      {{"/LOG", "-V"}, "unknown option -V"},
      {{"--no-such-option"}, "unknown option --no-such-option"},
      {{"--sim=no-such-scenario"}, "--sim=no-such-scenario"},
      {{"--sim", "--port", "/dev/ttyUSB0"}, "exclude each other"},
      {{"--ui=web"}, "--ui takes tui, gui or script"},
      {{"--ui=gui", "--virtual-clock"}, "--virtual-clock"},
      {{"--virtual-clock"}, "--virtual-clock"},
      {{"info", "--virtual-clock", "--port", "/dev/ttyUSB0"}, "does not go with --port"},
      {{"--os-version=four"}, "--os-version"},
      {{"--entry=nowhere"}, "--entry takes"},
      {{"info", "-x"}, "-x"},
      {{"info", "--ui=script"}, "--ui does not go with a command"},
      {{"led"}, "setting"},
      {{"led", "dim"}, "dim"},
      {{"signal", "--watch", "0"}, "--watch"},
      {{"apps", "start"}, "needs the application's name"},
      {{"apps", "list", "Mail"}, "takes no name"},
      {{"info", "signal"}, "signal"},
  };
  for (const BadLine& line : lines) {
    std::string error;
    const auto options = ParseProgramOptions(line.arguments, error);
    EXPECT_FALSE(options) << line.arguments.front();
    EXPECT_NE(error.find(line.message), std::string::npos) << "'" << error << "' lacks '" << line.message << "'";
  }
}

TEST(ProgramOptions, GoodLinesMeanWhatTheySay) {
  std::string error;
  auto handheld = ParseProgramOptions({"--sim", "/LOG", "--ui", "script", "--virtual-clock"}, error);
  ASSERT_TRUE(handheld) << error;
  EXPECT_EQ(handheld->simulatedCard, std::string());
  EXPECT_EQ(handheld->ui, UiKind::Script);
  EXPECT_EQ(handheld->handheldCommandLine, u"/LOG");
  EXPECT_FALSE(handheld->command);
  EXPECT_TRUE(handheld->uiChosen);

  // Without --ui the place decides: the window from a desktop menu, else the terminal.
  auto window = ParseProgramOptions({"--ui=gui"}, error);
  ASSERT_TRUE(window) << error;
  EXPECT_EQ(window->ui, UiKind::Window);
  EXPECT_FALSE(ParseProgramOptions({}, error)->uiChosen);
  EXPECT_EQ(DefaultUi(true, false), UiKind::Window);
  EXPECT_EQ(DefaultUi(true, true), UiKind::Terminal);
  EXPECT_EQ(DefaultUi(false, false), UiKind::Terminal);

  auto named = ParseProgramOptions({"--sim=update-fast", "--port=x"}, error);
  EXPECT_FALSE(named);
  named = ParseProgramOptions({"--sim=update-fast", "--entry=general", "--device-root", "/tmp"}, error);
  ASSERT_TRUE(named) << error;
  EXPECT_EQ(named->simulatedCard, "update-fast");
  EXPECT_EQ(named->deviceRoot, "/tmp");
  EXPECT_EQ(named->entry, ProgramOptions::Entry::General);

  // The program's options may stand before or after the command.
  auto signal = ParseProgramOptions({"signal", "--sim", "--watch", "5", "--json"}, error);
  ASSERT_TRUE(signal && signal->command) << error;
  EXPECT_EQ(signal->ui, UiKind::Command);
  EXPECT_EQ(signal->entry, ProgramOptions::Entry::General);
  EXPECT_EQ(signal->command->watchSeconds, 5);
  EXPECT_TRUE(signal->command->json);
  EXPECT_TRUE(signal->simulatedCard);

  auto apps = ParseProgramOptions({"--sim=applications-full", "apps", "stop", "Camera"}, error);
  ASSERT_TRUE(apps && apps->command) << error;
  EXPECT_EQ(apps->entry, ProgramOptions::Entry::Applications);
  EXPECT_EQ(apps->command->appsAction, frontends::AppsAction::Stop);
  EXPECT_EQ(apps->command->appName, "Camera");

  auto logged = ParseProgramOptions({"info", "/LOG"}, error);
  ASSERT_TRUE(logged) << error;
  EXPECT_EQ(logged->handheldCommandLine, u"/LOG");

  auto led = ParseProgramOptions({"led", "off"}, error);
  ASSERT_TRUE(led && led->command) << error;
  EXPECT_EQ(led->command->ledOn, false);

  auto help = ParseProgramOptions({"update", "--help"}, error);
  ASSERT_TRUE(help && help->help) << error;
  EXPECT_NE(help->help->find("--yes"), std::string::npos);
  EXPECT_NE(help->help->find("11 the card did not answer in time"), std::string::npos);
  EXPECT_EQ(help->help->find("--entry"), std::string::npos) << "a command's help is its own";
}

std::string SourceFile(const std::string& path) {
  std::ifstream file(std::string(P42R_SOURCE_DIR) + "/" + path);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_TRUE(file.is_open()) << path;
  return text.str();
}

// The README's table is the program's, row by row; every code the README,
// the command reference and the manual page's own sections name is one.
TEST(ProgramOptions, TheDocumentsTellTheExitCodesOfTheTable) {
  const std::string readme = SourceFile("README.md");
  const auto section = readme.find("## Exit codes of p42r");
  ASSERT_NE(section, std::string::npos);
  std::istringstream lines(readme.substr(section, readme.find("\n## ", section + 1) - section));
  const std::regex row(R"(\| (\d+) \| `([a-z-]+)` \| (.*) \|)");
  std::vector<std::string> documented, expected;
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_match(line, match, row)) {
      documented.push_back(match[1].str() + " " + match[2].str() + " " + match[3].str());
    }
  }
  std::set<int> values;
  for (const ExitCode& code : kExitCodeTable) {
    expected.push_back(std::to_string(code.value) + " " + std::string(code.name) + " " + std::string(code.meaning));
    values.insert(code.value);
  }
  EXPECT_EQ(documented, expected);

  const std::regex mention(R"((?:exit code |ends? with |\n\| )(\d+)\b)");
  for (const char* path : {"README.md", "docs/commands.md", "packaging/man/p42r.h2m"}) {
    const std::string text = SourceFile(path);
    int seen = 0;
    for (std::sregex_iterator at(text.begin(), text.end(), mention), end; at != end; ++at, ++seen) {
      EXPECT_TRUE(values.count(std::stoi((*at)[1].str())) != 0) << path << ": " << (*at)[0].str();
    }
    EXPECT_GT(seen, 0) << path;
  }
}

}  // namespace
}  // namespace p42r::program
