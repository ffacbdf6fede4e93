# GoogleTest from Debian's sources, built with the project's own compiler so
# that the same suite runs natively and, cross-built, under Wine.
set(KES_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${KES_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

include(GoogleTest)

# Wine prefix for the cross-built tests, created on first use by scripts/wine-run.
set(KES_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)

# kes_target_warnings(target): warnings for the project's own code.
function(kes_target_warnings target)
  target_compile_options(${target} PRIVATE ${KES_WARNINGS})
endfunction()

# kes_add_gtest(name SOURCES ... LIBS ... [ENVIRONMENT ...] [TIMEOUT s])
# Natively every test case is one ctest entry; cross-built, each test program
# is one entry (a Wine start per test case would cost too much).
function(kes_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  kes_target_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gmock gtest_main)
  if(CMAKE_CROSSCOMPILING)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      add_test(NAME ${name} COMMAND ${name})
      set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "WINEPREFIX=${KES_WINEPREFIX};${T_ENVIRONMENT}")
    endif()
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
endfunction()

# kes_add_pe_check(target): in a build that cannot run its programs (win32),
# check that the target really is a 32-bit Windows binary.
function(kes_add_pe_check target)
  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME ${target}_is_pe32
      COMMAND ${KES_TRIPLE}-objdump -f $<TARGET_FILE:${target}>)
    set_tests_properties(${target}_is_pe32 PROPERTIES PASS_REGULAR_EXPRESSION "file format pei-i386")
  endif()
endfunction()
