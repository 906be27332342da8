# The Debian packages, made with CPack from the install rules: p42r (the
# handheld program, the simulated card, their manual pages, completion and
# documentation) and p42r-desktop (the installer library's host, stand-in,
# Windows builds and example package). scripts/package.sh builds them.
set(P42R_PACKAGE_CONTACT "P42R maintainers <maintainers@users.noreply.c-seed-0f87f83a.example>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME p42r)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${P42R_PACKAGE_CONTACT})
set(CPACK_PACKAGE_VENDOR "P42R maintainers")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL p42r desktop)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE p42r)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_FULL_LIBDIR}/p42r)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)

set(CPACK_DEBIAN_P42R_PACKAGE_NAME p42r)
# The window's Japanese text; the libraries come from shlibdeps.
set(CPACK_DEBIAN_P42R_PACKAGE_DEPENDS fonts-ipafont-gothic)
# CPack starts each line after the summary with the blank the control file
# wants.
set(CPACK_COMPONENT_P42R_DESCRIPTION "handheld program and simulated card of the P42R wireless data card
The handheld program of the P42R wireless data card, p42r, runs in an
emulated handheld: card identification, the phone update over the air,
reception state, LED setting, the card's applications, permitted domains
and ID registration, shown in a desktop window (started from the menu), in
the terminal, or driven by a line protocol. It talks to the card over a
serial port or to the embedded simulated card.
.
p42r-card plugs a simulated card into an emulated handheld on a
pseudo-terminal and answers the card's commands by a scenario.")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME p42r-desktop)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "msitools, gcab")
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION "DeskSetup installer library of the P42R wireless data card suite
DeskSetup is the custom-action library that installs the handheld
applications carried by a desktop installer package. This package holds
its Windows builds for x86 and x64, the table sources of an example
package with the script that builds it, and desksetup-host, which runs the
library's entry points on Linux over an installer stand-in.")

include(CPack)
