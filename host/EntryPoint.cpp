// EntryPointFunc, the library's only export: refuses hosts other than After
// Effects, creates the filter on the first call, dispatches every command and
// turns every escaped error into a host error code and message.
#include <new>
#include <type_traits>

#include "ErrorCapture.h"
#include "AEMemory.h"
#include "SuiteCache.h"
#include "VortaneFilter.h"
#include "options/OptionsDialog.h"
#include "params/ParamSet.h"

#if defined(_WIN32)
#include <windows.h>
#define VORTANE_EXPORT __declspec(dllexport)
#else
#define VORTANE_EXPORT __attribute__((visibility("default")))
#endif

namespace {

// The one filter object lives in static storage; it is constructed on the
// first call and destroyed in place at global setdown.
alignas(CustomFilter) unsigned char gFilterStorage[sizeof(CustomFilter)];
BaseFilter *gFilter = nullptr;
bool gInitialised = false;
void *gModule = nullptr;

// FirstCallSetup runs only when the effect's filter provides its own.
constexpr bool kHasFirstCallSetup =
    !std::is_same<decltype(&CustomFilter::FirstCallSetup), decltype(&BaseFilter::FirstCallSetup)>::value;

void LibraryAttach(void *module) {
  gModule = module;
  AEUtil::AllocatorLock::create();
}

void LibraryDetach() {
  DestroyParams();
  ClearDialogWindowMap();
  AEUtil::AllocatorLock::destroy();
}

} // namespace

void *VortaneModuleHandle() { return gModule; }

extern "C" VORTANE_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data,
                                                PF_ParamDef *params[], PF_LayerDef *output, void *extra) {
  if (!in_data || in_data->appl_id != VORTANE_APPL_ID_AFTER_EFFECTS) return PF_Err_BAD_CALLBACK_PARAM;
  if (!in_data->pica_basicP) return PF_Err_BAD_CALLBACK_PARAM;

  AEUtil::SuiteCache suites(in_data->pica_basicP);
  return CaptureErrors(out_data, [&]() -> PF_Err {
    PF_Err err = PF_Err_NONE;
    if (!gInitialised) {
      gFilter = new (gFilterStorage) CustomFilter();
      DefineParams(in_data);
      if (kHasFirstCallSetup) err = gFilter->FirstCallSetup(in_data, out_data, params, output);
      gInitialised = true;
    }
    if (err == PF_Err_NONE) err = gFilter->Dispatch(cmd, in_data, out_data, params, output, extra);
    if (cmd == PF_Cmd_GLOBAL_SETDOWN) {
      // A later command without unloading the library builds a new filter.
      gFilter->~BaseFilter();
      gInitialised = false;
    }
    return err;
  });
}

#if defined(_WIN32)
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LibraryAttach(instance);
  if (reason == DLL_PROCESS_DETACH) LibraryDetach();
  return TRUE;
}
#else
namespace {
// Load and unload of the shared library (or of the program that links the
// plug-in statically).
struct LibraryLifetime {
  LibraryLifetime() { LibraryAttach(nullptr); }
  ~LibraryLifetime() { LibraryDetach(); }
} gLibraryLifetime;
} // namespace
#endif
