# The test builds link some sixty executables with full debug information,
# and in a build whose objects come from the compiler cache the links are
# most of the time: lld does each in about half the time of the default
# linker. The presets ask for it; it is used where it is installed (Debian's
# `lld`), and the package build keeps Debian's default linker.
option(P42R_FAST_LINKER "Link with lld where it is installed" OFF)
if(P42R_FAST_LINKER)
  include(CheckLinkerFlag)
  check_linker_flag(CXX "-fuse-ld=lld" P42R_HAVE_LLD)
  if(P42R_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
  else()
    message(STATUS "lld is not installed: linking with the default linker")
  endif()
endif()
