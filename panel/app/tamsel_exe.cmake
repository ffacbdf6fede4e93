# Tamsel.exe: the Windows program. Its pictures are drawn at build time and
# its one resource script is compiled as UTF-8.
set(TAMSEL_RES_DIR ${PROJECT_SOURCE_DIR}/panel/res)
set(TAMSEL_PICTURES_DIR ${CMAKE_CURRENT_BINARY_DIR}/pictures)
set(TAMSEL_PICTURES
  ${TAMSEL_PICTURES_DIR}/toolbar.bmp ${TAMSEL_PICTURES_DIR}/tabs.bmp
  ${TAMSEL_PICTURES_DIR}/tamsel.ico ${TAMSEL_PICTURES_DIR}/readfail.ico)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${TAMSEL_PICTURES}
  COMMAND Python3::Interpreter ${TAMSEL_RES_DIR}/make_pictures.py ${TAMSEL_PICTURES_DIR}
  DEPENDS ${TAMSEL_RES_DIR}/make_pictures.py
  COMMENT "Drawing the panel program's pictures")

# The DIP switch pictures of pages_param.rc, drawn by the pages' build.
set(TAMSEL_PAGES_PICTURES_DIR ${CMAKE_BINARY_DIR}/panel/pages/res)
set(TAMSEL_PAGES_PICTURES ${TAMSEL_PAGES_PICTURES_DIR}/dipsw_block.bmp
  ${TAMSEL_PAGES_PICTURES_DIR}/dipsw_lever_up.bmp ${TAMSEL_PAGES_PICTURES_DIR}/dipsw_lever_down.bmp)

file(GLOB TAMSEL_RC_INPUTS CONFIGURE_DEPENDS ${TAMSEL_RES_DIR}/*.rc ${TAMSEL_RES_DIR}/*.h
  ${TAMSEL_RES_DIR}/*.manifest)
set(TAMSEL_RES_OBJ ${CMAKE_CURRENT_BINARY_DIR}/tamsel_res.o)
add_custom_command(OUTPUT ${TAMSEL_RES_OBJ}
  COMMAND ${CMAKE_RC_COMPILER} -c 65001 -I ${TAMSEL_RES_DIR} -I ${TAMSEL_PICTURES_DIR}
          -I ${TAMSEL_PAGES_PICTURES_DIR} -I ${TAMSEL_MENU_PICTURES_DIR} -I ${TAMSEL_LABEL_DIR} -I ${PROJECT_SOURCE_DIR}
          -O coff -i ${TAMSEL_RES_DIR}/tamsel.rc -o ${TAMSEL_RES_OBJ}
  DEPENDS ${TAMSEL_RC_INPUTS} ${TAMSEL_PICTURES} ${TAMSEL_PAGES_PICTURES} tamsel_menu_pictures
          ${TAMSEL_LABEL_DIR}/testlabel.bmp tamsel_test_label
  COMMENT "Compiling tamsel.rc")

add_library(tamsel_app_win STATIC
  panel_app.cpp panel_app.h
  panel_dialog.cpp panel_dialog.h
  read_fail_dialog.cpp read_fail_dialog.h
  send_select_dialog.cpp send_select_dialog.h
  win_link.cpp win_link.h
  win_settings_files.cpp win_settings_files.h
  win_test_print.cpp win_test_print.h)
target_link_libraries(tamsel_app_win PUBLIC tamsel_app_logic tamsel_select tamsel_pages tamsel_menu kes_link_loader winui
  comctl32 comdlg32 winspool ole32 advapi32)
kes_target_warnings(tamsel_app_win)

add_executable(tamsel WIN32 main.cpp ${TAMSEL_RES_OBJ})
set_target_properties(tamsel PROPERTIES OUTPUT_NAME Tamsel)
target_link_options(tamsel PRIVATE -municode)
target_link_libraries(tamsel PRIVATE tamsel_app_win)
kes_target_warnings(tamsel)
# Tamsel.exe loads Kestrion.dll from its own folder.
add_custom_command(TARGET tamsel POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:kestrion> $<TARGET_FILE_DIR:tamsel>)
# The pages' pictures are drawn by their own resource library's build.
add_dependencies(tamsel kestrion tamsel_pages_res)
kes_add_pe_check(tamsel)

# The resources as compiled, read back in a test program that carries them.
kes_add_gtest(tamsel_resources_test
  SOURCES tests/win/tamsel_resources_test.cpp ${TAMSEL_RES_OBJ}
  LIBS winui comctl32)
target_include_directories(tamsel_resources_test PRIVATE ${PROJECT_SOURCE_DIR}/winui/tests)
add_dependencies(tamsel_resources_test tamsel_pages_res)

# The test print's and the help's Windows side on their failure paths.
kes_add_gtest(win_test_print_test
  SOURCES tests/win/win_test_print_test.cpp ${TAMSEL_RES_OBJ}
  LIBS tamsel_app_win)

# The settings files' opening rules against the real file system (under Wine).
kes_add_gtest(win_settings_files_test
  SOURCES tests/win/win_settings_files_test.cpp
  LIBS tamsel_app_win)
