// Identifiers shared by the resource scripts and the code: command ids of the menus, toolbars
// and views, the toolbar bitmaps and the About box's controls. Plain defines, so the resource
// compiler reads this file too.
#pragma once

// Menu and toolbar commands.
#define IDM_LOAD_BUFFER 7000
#define IDM_DUMP_TO_BUFFER 7001
#define IDM_SAVE_BUFFER 7002
#define IDM_CLEAR_BUFFER 7003
#define IDM_PROGRAM_FROM_BUFFER 7004
#define IDM_PROGRAM_REGIONS_FROM_FILE 7005
#define IDM_PROGRAM_FROM_FILE 7006
#define IDM_ERASE_REGIONS 7007
#define IDM_ERASE_ALL 7008
#define IDM_SELECT_ADAPTER 7009
#define IDM_MEMORY_REGIONS 7010
#define IDM_SELECT_DEVICE 7011
#define IDM_EXIT 7012
#define IDM_HELP 7013
#define IDM_ABOUT 7014
#define IDM_CONNECT 7015
#define IDM_CONNECT_VIEWS 7016
#define IDM_DISCONNECT 7017
// Target toolbar only.
#define IDM_RESET_TARGET 7018
#define IDM_REFRESH_VIEW 7019
#define IDM_UPDATE_TARGET 7020
#define IDM_STEP 7021
#define IDM_RUN 7022
#define IDM_HALT 7023
// Controls of the memory view.
#define IDC_VIEW_ADDRESS 7024
#define IDC_VIEW_BDM_IN_MAP 7025
#define IDC_VIEW_BUFFER_TARGET 7026
// Recent lists: devices 7027..7030, files 7031..7036.
#define IDM_RECENT_DEVICE_FIRST 7027
#define IDM_RECENT_DEVICE_LAST 7030
#define IDM_RECENT_FILE_FIRST 7031
#define IDM_RECENT_FILE_LAST 7036

// Toolbar bitmaps: 16-colour strips of 16 by 16 images, one per button.
#define IDB_ADAPTER_TOOLBAR 129
#define IDB_TARGET_TOOLBAR 130

// About box: the version text's edit control.
#define IDC_ABOUT_VERSION 1095
