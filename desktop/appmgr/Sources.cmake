# The stand-in's checks, shared by the Linux program (appmgr/) and the
# Windows program (windows-build/).
set(APPMGR_CORE_SOURCES IniFile.cpp InstallationCheck.cpp ManagerRun.cpp)
