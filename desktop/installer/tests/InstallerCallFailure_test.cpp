// Raising failed installer calls: the HRESULT, the description from the
// installer's error record or the system's text, and the COM error
// information left for the thread.
#include "InstallerCallFailure.h"
#include "standin/ComState.h"
#include "standin/FaultInjection.h"

#include <gtest/gtest.h>

using desksetup::com_exception;
using desksetup::raiseInstallerCallFailure;

namespace {

class InstallerCallFailureTest : public testing::Test {
protected:
  void TearDown() override {
    standin::clearFaults();
    standin::clearErrorInfo();
  }

  static com_exception raised(UINT result, std::string_view call, std::string_view first = {},
                              std::string_view second = {}) {
    try {
      raiseInstallerCallFailure(result, call, first, second);
    } catch (const com_exception& failure) {
      return failure;
    }
    ADD_FAILURE() << "nothing was raised";
    return com_exception(0, "");
  }
};

TEST_F(InstallerCallFailureTest, InstallerResultsBecomeWin32FacilityHresults) {
  EXPECT_EQ(desksetup::hresultFromInstallerResult(6), static_cast<HRESULT>(0x80070006u));
  EXPECT_EQ(desksetup::hresultFromInstallerResult(1627), static_cast<HRESULT>(0x8007065Bu));
  EXPECT_EQ(desksetup::hresultFromInstallerResult(0x12345), static_cast<HRESULT>(0x80072345u));
  EXPECT_EQ(desksetup::hresultFromInstallerResult(0), E_UNEXPECTED);
}

TEST_F(InstallerCallFailureTest, TheErrorRecordIsFormattedWithTheInstallersTemplate) {
  standin::leaveErrorRecord({"2228", "Database", "SELECT * from `SFDeskSetup`"});
  const com_exception failure = raised(ERROR_BAD_QUERY_SYNTAX, "MsiGetProperty", "INSTALLDIR");
  const std::string expected = "Windows Installer Error 2228: Database, SELECT * from `SFDeskSetup`\nMsiGetProperty(INSTALLDIR)";
  EXPECT_EQ(failure.result(), static_cast<HRESULT>(0x8007064Fu));
  EXPECT_EQ(failure.description(), expected);
  EXPECT_EQ(standin::currentErrorDescription(), expected);
  EXPECT_EQ(standin::liveErrorInfoObjects(), 1);
  standin::clearErrorInfo();
  EXPECT_EQ(standin::liveErrorInfoObjects(), 0);
}

TEST_F(InstallerCallFailureTest, WithoutAnErrorRecordTheSystemTextDescribesTheFailure) {
  EXPECT_EQ(raised(ERROR_INVALID_HANDLE, "MsiRecordGetString").description(),
            "The handle is invalid.\r\nMsiRecordGetString()");
  EXPECT_EQ(raised(ERROR_INVALID_HANDLE, "Call", "first", "second").description(),
            "The handle is invalid.\r\nCall(first, second)");
  EXPECT_EQ(raised(ERROR_INVALID_HANDLE, "Call", "", "second").description(), "The handle is invalid.\r\nCall()");
  EXPECT_EQ(raised(0xBEEF, "Call").description(), "Call()");
}

TEST_F(InstallerCallFailureTest, AFailingComCallRaisesItsOwnHresult) {
  standin::failNextCall("SetErrorInfo", static_cast<unsigned>(E_FAIL));
  const com_exception failure = raised(ERROR_INVALID_HANDLE, "MsiRecordGetString");
  EXPECT_EQ(failure.result(), E_FAIL);
  EXPECT_EQ(failure.description(), "SetErrorInfo failed");
  EXPECT_FALSE(standin::currentErrorDescription());
  EXPECT_EQ(standin::liveErrorInfoObjects(), 0);
}

TEST_F(InstallerCallFailureTest, AFailedTemplateSettingIsRaisedNamingMsiRecordSetString) {
  standin::leaveErrorRecord({"2259"});
  standin::failNextCall("MsiRecordSetStringA", ERROR_INVALID_PARAMETER);
  const com_exception failure = raised(ERROR_INVALID_HANDLE, "MsiRecordGetString");
  EXPECT_EQ(failure.result(), static_cast<HRESULT>(0x80070057u));
  EXPECT_EQ(failure.description(), "The parameter is incorrect.\r\nMsiRecordSetString()");
}

}  // namespace
