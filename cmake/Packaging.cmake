# The Debian packages, made with CPack from the install rules: p42r (the
# handheld program, the simulated card, their manual pages, completion and
# documentation; no toolkit, so that a headless machine can take it),
# p42r-gui (the window part, the desktop entry and icons, the font) and
# p42r-desktop (the installer library's host, stand-in,
# Windows builds and example package) and p42r-ansible (the Ansible
# collection, for the machine Ansible runs on). scripts/package.sh builds
# them.
set(P42R_PACKAGE_CONTACT "P42R maintainers <maintainers@users.noreply.c-seed-0f87f83a.example>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME p42r)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${P42R_PACKAGE_CONTACT})
set(CPACK_PACKAGE_VENDOR "P42R maintainers")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL p42r gui desktop ansible)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE p42r)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_FULL_LIBDIR}/p42r)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)

set(CPACK_DEBIAN_P42R_PACKAGE_NAME p42r)
# CPack starts each line after the summary with the blank the control file
# wants.
set(CPACK_COMPONENT_P42R_DESCRIPTION "handheld program and simulated card of the P42R wireless data card
The handheld program of the P42R wireless data card, p42r, runs in an
emulated handheld: card identification, the phone update over the air,
reception state, LED setting, the card's applications, permitted domains
and ID registration, shown in the terminal, driven by a line protocol or
run one command at a time. It talks to the card over a serial port or to
the embedded simulated card. It needs no graphical toolkit; p42r-gui adds
the desktop window.
.
p42r-card plugs a simulated card into an emulated handheld on a
pseudo-terminal and answers the card's commands by a scenario.")

set(CPACK_DEBIAN_GUI_PACKAGE_NAME p42r-gui)
# The window's Japanese text; Qt comes from shlibdeps.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "p42r (= ${PROJECT_VERSION}), fonts-ipafont-gothic")
set(CPACK_COMPONENT_GUI_DESCRIPTION "desktop window of the P42R handheld program
The window part of p42r, the handheld program of the P42R wireless data
card: the program's screens in a desktop window (Qt 6), drawn at the
handheld's geometry and driven by mouse, touch and keyboard, with an entry
in the desktop's application menu. p42r --ui=gui, or p42r-gui, opens it.")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME p42r-desktop)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "msitools, gcab")
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION "DeskSetup installer library of the P42R wireless data card suite
DeskSetup is the custom-action library that installs the handheld
applications carried by a desktop installer package. This package holds
its Windows builds for x86 and x64, the table sources of an example
package with the script that builds it, and desksetup-host, which runs the
library's entry points on Linux over an installer stand-in.")

set(CPACK_DEBIAN_ANSIBLE_PACKAGE_NAME p42r-ansible)
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_SECTION admin)
# The modules run p42r on the managed hosts, not on the machine that has
# this package: p42r is for those hosts to install.
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_DEPENDS "ansible-core")
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_SUGGESTS "p42r")
set(CPACK_COMPONENT_ANSIBLE_DESCRIPTION "Ansible collection for P42R wireless data cards
The collection p42r.card manages P42R wireless data cards on the hosts of
an Ansible inventory through the p42r program installed there: facts
about the card and its reception, the phone update, the LED, the card's
applications and its permitted domains, each module idempotent and with
check mode.")

include(CPack)
