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

file(GLOB TAMSEL_RC_INPUTS CONFIGURE_DEPENDS ${TAMSEL_RES_DIR}/*.rc ${TAMSEL_RES_DIR}/*.h
  ${TAMSEL_RES_DIR}/*.manifest)
set(TAMSEL_RES_OBJ ${CMAKE_CURRENT_BINARY_DIR}/tamsel_res.o)
add_custom_command(OUTPUT ${TAMSEL_RES_OBJ}
  COMMAND ${CMAKE_RC_COMPILER} -c 65001 -I ${TAMSEL_RES_DIR} -I ${TAMSEL_PICTURES_DIR} -I ${TAMSEL_MENU_PICTURES_DIR}
          -I ${PROJECT_SOURCE_DIR}
          -O coff -i ${TAMSEL_RES_DIR}/tamsel.rc -o ${TAMSEL_RES_OBJ}
  DEPENDS ${TAMSEL_RC_INPUTS} ${TAMSEL_PICTURES} tamsel_menu_pictures
  COMMENT "Compiling tamsel.rc")

add_library(tamsel_app_win STATIC
  panel_app.cpp panel_app.h
  panel_dialog.cpp panel_dialog.h
  read_fail_dialog.cpp read_fail_dialog.h
  placeholder_parts.cpp placeholder_parts.h
  win_link.cpp win_link.h
  win_text.cpp win_text.h)
target_link_libraries(tamsel_app_win PUBLIC tamsel_app_logic tamsel_menu comctl32 winspool ole32 advapi32)
kes_target_warnings(tamsel_app_win)

add_executable(tamsel WIN32 main.cpp ${TAMSEL_RES_OBJ})
set_target_properties(tamsel PROPERTIES OUTPUT_NAME Tamsel)
target_link_options(tamsel PRIVATE -municode)
target_link_libraries(tamsel PRIVATE tamsel_app_win)
kes_target_warnings(tamsel)
# Tamsel.exe loads Kestrion.dll from its own folder.
add_custom_command(TARGET tamsel POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:kestrion> $<TARGET_FILE_DIR:tamsel>)
add_dependencies(tamsel kestrion)
kes_add_pe_check(tamsel)
