// Every id of the installer's resources: the controls of the main window and
// of the pages, the commands the pages post to themselves, the strings, the
// icons. The resource scripts, the program, its tests
// and the benchmark all use these names, never the numbers. The resource
// compiler reads this file too, so it holds plain #defines only.
#pragma once

// A control the program never addresses (labels, frames).
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The icons, at every size the system asks for (the panel picture is drawn
// by the program, core/panel_picture.h).
#define IDI_SETUP 1
#define IDI_SETUP_SMALL 2
// The logon program setup.exe carries for each user's step (RCDATA, below
// the payload pieces, which start at 100).
#define IDR_LOGON_PROGRAM 90

// The main window (MAINDLG).
#define IDC_EXIT 3
#define IDC_NEXT 6
#define IDC_BACK 7
#define IDC_PANEL 100
#define IDC_SEPARATOR 101
// The command the main window posts to itself once the system has scaled
// it to a display of another scale.
#define IDC_SCALE_CHANGED 108

// On every page: the title in bold. The frame sends IDC_PAGE_COMMIT to the
// page before it leaves it, so that the page keeps what was typed.
#define IDC_PAGE_TITLE 102
#define IDC_PAGE_COMMIT 105

// The error page (ERRORDLG).
#define IDC_ERROR_TEXT 104

// The welcome page (INTRODLG).
#define IDC_WELCOME_TEXT 115
#define IDC_PRODUCT_IDENTITY 116

// The copy page (COPYFILESDLG), and the command it posts to itself to start.
#define IDC_DISK_COUNT 120
#define IDC_CURRENT_DISK 121
#define IDC_CURRENT_FILE 122
#define IDC_STEP_LABEL 123
#define IDC_PROGRESS_BAR 125
#define IDC_COPY_START 126

// The commands the registry and icon pages post to themselves to start.
#define IDC_REGISTRY_START 127
#define IDC_ICONS_START 128
#define IDC_ICONS_NOTHING 129

// The destination pages (DESTDIRDLG1, DESTDIRDLG2).
#define IDC_REQUIRED_SIZE 140
#define IDC_AVAILABLE_SIZE 141
#define IDC_DIRECTORY 142

// The replace page (REPLACEDLG); it posts IDC_REPLACE_BUTTONS to itself so
// that its rule for Next wins over the frame's.
#define IDC_REPLACE 145
#define IDC_KEEP 146
#define IDC_REPLACE_BUTTONS 147

// The completion page (READYDLG): the reader offer.
#define IDC_READER_CHECK 515
#define IDC_READER_SECOND_LINE 516
#define IDC_READER_GROUP 517
#define IDC_READER_NOTE 518

// The error page's messages, one per error code.
#define IDS_SOURCE_MISSING 51
#define IDS_DATA_MISSING 52
#define IDS_CREATE_FILE 53
#define IDS_READ_FILE 54
#define IDS_WRITE_FILE 55
#define IDS_FILE_SIZE 56
#define IDS_CHECKSUM 57
#define IDS_CRC_READ 58
#define IDS_UNCOMPRESS 59
#define IDS_ABORTED 60
#define IDS_CREATE_DIRECTORY 61
#define IDS_REGISTRY 62
#define IDS_PROGRAM_GROUP 63

// The reader's installer could not be started.
#define IDS_READER_ERROR 4128
