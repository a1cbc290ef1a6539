// "Vortane Dialog Choice Suite": on Linux, where there is no dialog window,
// the options dialog asks the host emulator which button the user pressed.
// Only our emulator provides this suite; without it the dialog counts as OK.
#pragma once

#include "AEHost.h"

#define kVortaneDialogChoiceSuite "Vortane Dialog Choice Suite"
#define kVortaneDialogChoiceSuiteVersion1 1

// The buttons that close the options dialog, as its modal result.
enum VortaneDialogChoice : A_long {
  kDialogChoiceOK = 0,      // OK, Cancel, Escape, the close box
  kDialogChoiceStore = 1,   // "Set current parameter values to default"
  kDialogChoiceRestore = 2, // "Restore initial default parameter values"
};

// What the dialog shows: the caption, the online manual's address (empty:
// the link is hidden), the UI language (0 Japanese, 1 English) and whether
// the two buttons on the stored defaults are enabled.
typedef struct {
  void *parentWindow;
  const char *title;
  const char *manualAddress;
  A_long language;
  A_Boolean buttonsEnabled;
} VortaneDialogRequest;

typedef struct VortaneDialogChoiceSuite1 {
  // Shows the request and writes the button pressed to *choice.
  PF_Err (*RunOptionsDialog)(const VortaneDialogRequest *request, A_long *choice);
} VortaneDialogChoiceSuite1;
