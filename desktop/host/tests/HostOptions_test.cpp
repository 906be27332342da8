// The host's command line.
#include "HostOptions.h"

#include <gtest/gtest.h>

using namespace desksetup::host;

namespace {

ParsedOptions parse(std::vector<std::string> arguments) { return parseHostOptions(arguments); }

TEST(HostOptions, ReadsCommandPackagePropertiesAndOptionsInAnyOrder) {
  const auto parsed = parse({"--root", "/tmp/c", "remove", "pkg.msi", "INSTALLDIR=C:\\X\\", "--component",
                             "Updater=local,absent", "EMPTY=", "--component", "*=3,-1", "--drive", "d=/tmp/d",
                             "--codepage", "65001", "--library", "/opt/DeskSetup.so"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  const HostOptions& options = *parsed.options;
  EXPECT_EQ(options.command, HostCommand::Remove);
  EXPECT_EQ(options.package, "pkg.msi");
  EXPECT_EQ(options.root, "/tmp/c");
  ASSERT_EQ(options.properties.size(), 2u);
  EXPECT_EQ(options.properties[0], (std::pair<std::string, std::string>{"INSTALLDIR", "C:\\X\\"}));
  EXPECT_EQ(options.properties[1], (std::pair<std::string, std::string>{"EMPTY", ""}));
  EXPECT_EQ(options.components.at("Updater").installed, INSTALLSTATE_LOCAL);
  EXPECT_EQ(options.components.at("Updater").action, INSTALLSTATE_ABSENT);
  ASSERT_TRUE(options.otherComponents);
  EXPECT_EQ(options.otherComponents->installed, INSTALLSTATE_LOCAL);
  EXPECT_EQ(options.otherComponents->action, INSTALLSTATE_UNKNOWN);
  ASSERT_EQ(options.drives.size(), 1u);
  EXPECT_EQ(options.drives[0].first, 'D');
  EXPECT_EQ(options.codePage, 65001u);
  EXPECT_EQ(options.library, "/opt/DeskSetup.so");
}

TEST(HostOptions, ExplainsWhatIsWrong) {
  EXPECT_EQ(parse({}).error, "expected a command (install, remove or cleanup) and a package");
  EXPECT_EQ(parse({"install"}).error, "expected a command (install, remove or cleanup) and a package");
  EXPECT_EQ(parse({"erase", "p.msi"}).error, "unknown command 'erase'");
  EXPECT_EQ(parse({"install", "p.msi", "NOVALUE"}).error, "expected PROPERTY=VALUE, not 'NOVALUE'");
  EXPECT_EQ(parse({"install", "p.msi", "=x"}).error, "expected PROPERTY=VALUE, not '=x'");
  EXPECT_EQ(parse({"install", "p.msi", "--root"}).error, "--root needs a value");
  EXPECT_EQ(parse({"--verbose", "install", "p.msi"}).error, "unknown option '--verbose'");
  EXPECT_EQ(parse({"install", "p.msi", "--component", "A=local,sideways"}).error,
            "--component takes NAME=INSTALLED,ACTION, not 'A=local,sideways'");
  EXPECT_EQ(parse({"install", "p.msi", "--drive", "CC=/x"}).error, "--drive takes LETTER=DIR, not 'CC=/x'");
  EXPECT_EQ(parse({"install", "p.msi", "--codepage", "utf8"}).error,
            "--codepage takes a code page number, not 'utf8'");
  EXPECT_TRUE(parse({"install", "--help"}).options->help);
}

TEST(HostOptions, EachCommandCallsItsExportWithItsOwnDefaultPlan) {
  EXPECT_STREQ(exportNameOf(HostCommand::Install), "InstallCEApps");
  EXPECT_STREQ(exportNameOf(HostCommand::Remove), "RemoveCEApps");
  EXPECT_STREQ(exportNameOf(HostCommand::Cleanup), "CEObjectCleanup");
  EXPECT_EQ(defaultPlanOf(HostCommand::Install).action, INSTALLSTATE_LOCAL);
  EXPECT_EQ(defaultPlanOf(HostCommand::Cleanup).installed, INSTALLSTATE_LOCAL);
  EXPECT_EQ(defaultPlanOf(HostCommand::Cleanup).action, INSTALLSTATE_ABSENT);
  EXPECT_EQ(parseInstallState("-8"), std::nullopt);
  EXPECT_EQ(parseInstallState("5"), INSTALLSTATE_DEFAULT);
  EXPECT_EQ(parseInstallState("source"), INSTALLSTATE_SOURCE);
}

}  // namespace
