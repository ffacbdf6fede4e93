// Resource ids of the menu icons (menu_icons.rc): one 16x16, 16-colour bitmap
// per command that shows an icon in the pull-down menus.
#pragma once

#define IDB_MENU_OPEN_FILE 160
#define IDB_MENU_SAVE_FILE 161
#define IDB_MENU_FACTORY 163
#define IDB_MENU_IP_ADDRESS 166
#define IDB_MENU_FINE_ADJUST 167
#define IDB_MENU_PARAM1 192
#define IDB_MENU_SELECT_PRINTER 193
#define IDB_MENU_SEND 194
#define IDB_MENU_TEST_PRINT 195
#define IDB_MENU_DIPSW 211
#define IDB_MENU_READ 213
#define IDB_MENU_PARAM2 217
