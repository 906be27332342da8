# What installs of the desktop part (the p42r-desktop package): the host
# command in bin/, the installer stand-in, DeskSetup.so and the application
# manager stand-in in the private folder beside each other, the Windows
# builds of DeskSetup.dll, and an example package's table sources with the
# script that builds them, for people who put the library into their own
# packages.
set_target_properties(desksetup-host PROPERTIES INSTALL_RPATH "$ORIGIN/${P42R_BIN_TO_PRIVATE}")
set_target_properties(DeskSetup ceappmgr PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS desksetup-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT desktop)
install(TARGETS DeskSetup desktop_msi ceappmgr
  RUNTIME DESTINATION ${P42R_PRIVATE_LIBDIR} COMPONENT desktop
  LIBRARY DESTINATION ${P42R_PRIVATE_LIBDIR} COMPONENT desktop)

set(shared_dir ${CMAKE_INSTALL_DATADIR}/p42r)
foreach(build "i686;${DESKTOP_BINARY_DIR};x86" "x86_64;${DESKTOP_BINARY_DIR}/x64;x64")
  list(GET build 0 arch)
  list(GET build 1 folder)
  list(GET build 2 name)
  if(TARGET desksetup_windows_${arch})
    install(FILES ${folder}/DeskSetup.dll DESTINATION ${shared_dir}/windows/${name} COMPONENT desktop)
  endif()
endforeach()
install(DIRECTORY tests/packages/installable/ DESTINATION ${shared_dir}/example COMPONENT desktop)
install(PROGRAMS tests/packages/build-package.sh DESTINATION ${shared_dir} COMPONENT desktop)
install(FILES tests/packages/payload.sh DESTINATION ${shared_dir} COMPONENT desktop)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/p42r-desktop COMPONENT desktop)
