// Resource ids of the options dialog, shared by the resource script and the
// code: the dialog template, its banner bitmap and its controls.
#pragma once

#define IDD_OPTIONS_DIALOG 206
#define IDB_OPTIONS_BANNER 203

#define IDC_SETTINGS_GROUP 2000
#define IDC_STORE_DEFAULTS 2001
#define IDC_RESTORE_DEFAULTS 2002
#define IDC_BANNER 2059
#define IDC_MANUAL_LINK 2060
