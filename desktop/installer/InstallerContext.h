// The installer context of one entry-point call: the installer and database
// handles, the application manager command, the .ini files written so far
// and the table entries. Built on entry and destroyed before the call
// returns; destruction releases COM and both handles.
#pragma once

#include "TableEntry.h"
#include "Win32Api.h"

#include <string>
#include <vector>

namespace desksetup {

class InstallerContext {
public:
  // Initialises COM for the thread and asks for the active database.
  explicit InstallerContext(MSIHANDLE install);
  ~InstallerContext();
  InstallerContext(const InstallerContext&) = delete;
  InstallerContext& operator=(const InstallerContext&) = delete;

  // Reads the table into the entries and logs what went wrong: no database,
  // a table that cannot be read, or a table without rows. A failed field
  // read raises `com_exception`.
  void populate();

  void log(const std::string& text) const;

  MSIHANDLE install() const { return install_; }
  MSIHANDLE database() const { return database_; }
  const std::vector<TableEntry>& entries() const { return entries_; }

  std::wstring appManagerCommand;
  std::wstring iniFileList;

private:
  MSIHANDLE install_;
  MSIHANDLE database_;
  std::vector<TableEntry> entries_;
};

}  // namespace desksetup
