# Fuzz targets. Each one is an LLVMFuzzerTestOneInput in the tests/fuzz/ folder
# beside the tests of the code it reads. Beside it: seeds/NAME, real inputs
# named after where they came from; corpus/NAME, what fuzzing found that the
# seeds do not cover (kept small by scripts/fuzz.sh's merge); regressions/NAME,
# the inputs of crashes that were found and mended.
#
# With P42R_FUZZ=ON (clang only, scripts/fuzz.sh) the whole tree is built with
# coverage for libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer,
# and each target becomes a libFuzzer executable in <build>/fuzz-bin; the file
# <build>/fuzz-targets.txt lists name, seed, corpus and regression folder of each.
# Otherwise each target becomes a replay executable (fuzz/ReplayMain.cpp)
# registered with CTest, which runs its seeds, corpus and regressions once, so every
# ordinary and sanitizer build checks them.
option(P42R_FUZZ "Build the libFuzzer targets (clang only) instead of the replay tests" OFF)
set(P42R_FUZZ_MANIFEST ${CMAKE_BINARY_DIR}/fuzz-targets.txt)
if(P42R_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "P42R_FUZZ=ON needs clang (libFuzzer); configure with CC=clang CXX=clang++")
  endif()
  if(NOT P42R_SANITIZE STREQUAL "")
    message(FATAL_ERROR "P42R_FUZZ=ON brings its own sanitizers; leave P42R_SANITIZE empty")
  endif()
  # Named relative to the build folder (where every compile runs), so that
  # the compile line is the same in every clone and a compiler cache shares
  # it; scripts/fuzz.sh has the cache hash the file's content.
  file(RELATIVE_PATH fuzz_coverage_ignore ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_LIST_DIR}/fuzz-coverage-ignore.txt)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer
                      -fsanitize-coverage-ignorelist=${fuzz_coverage_ignore})
  add_link_options(-fsanitize=address,undefined)
  file(WRITE ${P42R_FUZZ_MANIFEST} "")
endif()

# p42r_fuzz(NAME [MAX_LEN BYTES] SOURCES... LIBS...)
# MAX_LEN: the longest input the fuzzer makes (libFuzzer's default lets
# inputs grow to 4 KiB). A target whose real inputs are a few short lines
# sets it, so a minute goes to many inputs of a sensible size instead of
# few overlong ones that reach no code the short ones do not.
function(p42r_fuzz name)
  cmake_parse_arguments(F "" "MAX_LEN" "SOURCES;LIBS" ${ARGN})
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 0)
  endif()
  set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/seeds/${name})
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  set(regressions ${CMAKE_CURRENT_SOURCE_DIR}/regressions/${name})
  if(P42R_FUZZ)
    set(target fuzz_${name})
    add_executable(${target} ${F_SOURCES})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-bin)
    file(APPEND ${P42R_FUZZ_MANIFEST} "${name}\t${seeds}\t${corpus}\t${regressions}\t${F_MAX_LEN}\n")
  elseif(P42R_BUILD_TESTS)
    set(target fuzz_replay_${name})
    add_executable(${target} ${F_SOURCES})
    target_link_libraries(${target} PRIVATE p42r_fuzz_replay)
    add_test(NAME fuzz_replay.${name} COMMAND ${target} ${seeds} ${corpus} ${regressions})
    set_tests_properties(fuzz_replay.${name} PROPERTIES TIMEOUT 120 LABELS fuzz)
  else()
    return()
  endif()
  p42r_warnings(${target})
  target_link_libraries(${target} PRIVATE ${F_LIBS})
endfunction()
