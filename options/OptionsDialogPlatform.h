// The one platform-specific step of the options dialog: show the dialog and
// return the button that closed it. Windows shows the real modal dialog
// (OptionsDialog_win.cpp); Linux asks the host emulator (OptionsDialog_posix.cpp).
#pragma once

#include "AEHost.h"
#include "DialogChoiceSuite.h"

// One of kDialogChoiceOK, kDialogChoiceStore, kDialogChoiceRestore; a dialog
// that cannot be shown counts as OK.
A_long RunOptionsDialog(PF_InData *in_data, const VortaneDialogRequest &request);
