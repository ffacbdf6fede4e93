# kes_add_gui_gtest(name SOURCES ... LIBS ... [TIMEOUT s])
# A Windows test program that opens windows: under Wine it runs on an Xvfb
# display of its own (scripts/wine-gui-run) in a prefix shared by the GUI
# tests, one at a time. Built only where the target is Windows.
function(kes_add_gui_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  kes_target_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gmock gtest_main)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-gui-run $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} RESOURCE_LOCK wine-gui
      ENVIRONMENT "WINEPREFIX=${KES_WINEPREFIX}-gui")
  endif()
endfunction()
