// The options dialog on Linux, which has no dialog window: the host emulator
// stands in for the user through the "Vortane Dialog Choice Suite".
#include "OptionsDialog.h"
#include "OptionsDialogPlatform.h"
#include "SuiteCache.h"

A_long RunOptionsDialog(PF_InData *in_data, const VortaneDialogRequest &request) {
  AEUtil::ScopedSuite suite(in_data->pica_basicP, kVortaneDialogChoiceSuite, kVortaneDialogChoiceSuiteVersion1);
  const VortaneDialogChoiceSuite1 *choices = suite.as<VortaneDialogChoiceSuite1>();
  if (!choices || !choices->RunOptionsDialog) return kDialogChoiceOK;
  A_long choice = kDialogChoiceOK;
  if (choices->RunOptionsDialog(&request, &choice) != PF_Err_NONE) return kDialogChoiceOK;
  // Anything but the two action buttons closes the dialog like OK.
  return choice == kDialogChoiceStore || choice == kDialogChoiceRestore ? choice : kDialogChoiceOK;
}

// There are no dialog windows to forget.
void ClearDialogWindowMap() {}
