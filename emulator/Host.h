// The host emulator: plays After Effects towards the plug-in through its one
// entry point. It fills the in/out records, serves the callbacks and suites,
// keeps one effect instance (parameters, sequence data), plays the classic and
// smart render paths, injects faults and counts everything the plug-in takes.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "AEHost.h"
#include "Image.h"
#include "options/DialogChoiceSuite.h"

namespace vemu {

class ThreadPool;

// Callbacks and suite functions whose results tests can replace by an error.
enum class Fault {
  CheckoutParam,
  CheckinParam,
  AddParam,
  Progress,
  IterateGeneric,
  RGBtoHLS,
  NewHandle,    // host_new_handle returns null
  LockHandle,   // host_lock_handle returns null
  NewWorld,     // PF_NewWorld and new_world
  WorldCopy,    // copy and copy_hq
  WorldFill,    // fill
  GetPixelFormat,
  UpdateParamUI,
  CheckoutLayer,
  CheckoutLayerPixels,
  CheckinLayerPixels,
  CheckoutOutput,
  SuiteWithoutTable, // AcquireSuite reports success but hands back no table
  Count
};

struct Counters {
  long suitesAcquired = 0;
  long suitesReleased = 0;
  long handlesMade = 0;
  long handlesDisposed = 0;
  long worldsMade = 0;
  long worldsDisposed = 0;
  long paramCheckouts = 0;
  long paramCheckins = 0;
  long layerCheckouts = 0;       // checkout_layer in pre-render
  long layerPixelCheckouts = 0;  // checkout_layer_pixels
  long layerPixelCheckins = 0;   // checkin_layer_pixels
  long outputCheckouts = 0;
  long iterateCalls = 0;
  long rgbToHlsCalls = 0;
  long progressCalls = 0;
  long updateParamUICalls = 0;
  long preRenderDeletes = 0;     // delete_pre_render_data_func calls
  long worldCopies = 0;          // World Transform Suite copy
  long worldCopiesHq = 0;        // World Transform Suite copy_hq
};

// One record of PF_UpdateParamUI.
struct ParamUIUpdate {
  PF_ParamIndex index;
  PF_ParamUIFlags uiFlags;
  PF_ParamDef def;
};

// A checkout_layer call of smart pre-render.
struct LayerCheckout {
  PF_ParamIndex index;
  A_long checkoutId;
  PF_RenderRequest request;
  A_long time, timeStep;
  A_u_long timeScale;
};

// What the plug-in asked the "Vortane Dialog Choice Suite" to show.
struct DialogShown {
  void *parentWindow = nullptr;
  std::string title;
  std::string manualAddress;
  A_long language = -1;
  bool buttonsEnabled = false;
};

// The rectangles smart pre-render reported.
struct PreRenderResult {
  PF_LRect resultRect{};
  PF_LRect maxResultRect{};
  bool deleteFunctionGiven = false;
};

struct SmartRenderOptions {
  bool useRequest = false;   // default request: the whole output world
  PF_LRect request{};        // the output rectangle asked for, layer coordinates
  PF_LRect preRenderResult{}; // what the host's result_rect holds before the call
  PF_LRect preRenderMaxResult{};
};

class Host {
 public:
  // A host call made outside any command, for tests that drive plug-in code
  // directly: in() is a filled PF_InData whose callbacks reach this host.
  class DirectCall {
   public:
    explicit DirectCall(Host &host);
    ~DirectCall();
    DirectCall(const DirectCall &) = delete;
    DirectCall &operator=(const DirectCall &) = delete;
    PF_InData *in() { return &in_; }

   private:
    struct State;
    std::unique_ptr<State> state_;
    PF_InData in_;
  };

  // entry: the plug-in's EntryPointFunc (statically linked, or from a DLL).
  explicit Host(PF_FilterProc entry);
  ~Host();
  Host(const Host &) = delete;
  Host &operator=(const Host &) = delete;

  // ---- configuration ----
  void setThreads(int n);  // worker threads of iterate_generic; default: all processors
  int threads() const { return threads_; }
  void setApiVersion(int major, int minor);
  void setApplId(A_long id) { applId_ = id; }
  void setBasicSuiteMissing(bool missing) { basicSuiteMissing_ = missing; }
  // New worlds made without the clear flag are filled with the marker byte
  // 0xA5 (default), so that reading an unwritten pixel shows; a host's pool
  // hands out memory as it is, which benchmarks may ask for.
  void setMarkNewWorlds(bool mark) { markNewWorlds_ = mark; }
  void setLayerSize(int width, int height);
  int layerWidth() const { return layerWidth_; }
  int layerHeight() const { return layerHeight_; }
  void setDownsample(A_long xNum, A_u_long xDen, A_long yNum, A_u_long yDen);
  void setQuality(PF_Quality quality) { quality_ = quality; }
  void setTime(A_long current, A_long step, A_u_long scale);
  void setAppLanguage(const std::string &tag) { appLanguage_ = tag; }
  void setMainWindow(void *window) { mainWindow_ = window; }
  // The button the user presses in the options dialog where the plug-in has
  // no dialog window of its own (0 OK, 1 store, 2 restore; default OK).
  void setDialogChoice(A_long choice) { dialogChoice_ = choice; }
  void withholdSuite(const std::string &name, int version);
  // The callback succeeds `successes` more times, then returns err on every
  // later call (or only once when once is set).
  void injectFault(Fault which, PF_Err err, int successes = 0, bool once = false);
  void clearFaults();

  // ---- faults by function ----
  // Every callback and suite function counts its calls, on whichever thread
  // makes them. Functions go by their SDK names ("checkout_layer_pixels",
  // "RGBtoHLS", "PF_NewWorld", "copy_hq", ...); acquisitions of one suite by
  // "AcquireSuite " plus name/version ("AcquireSuite PF Handle Suite/2").
  // failCall arms one fault: the n-th call from now (1 = the next) fails with
  // err, once. A failed call returns err (AcquireSuite: as its SPErr, with no
  // suite; host_new_handle and host_lock_handle: null). Calls that give
  // something back (check-ins, disposals, ReleaseSuite) still take it back
  // and then report err: the plug-in could not retry them without risking a
  // double release. Calls without a result (unlocking, disposing of a
  // handle) cannot fail; canFail() tells them apart.
  // Returns false for a name the host does not know.
  bool failCall(const std::string &function, long n, PF_Err err);
  bool faultFired() const { return faultFired_; }
  std::map<std::string, long> callCounts() const; // functions called at least once
  void resetCallCounts();
  static bool canFail(const std::string &function);

  // ---- commands ----
  // Sends any command with the host's current records; params is the
  // parameter array of the instance, output an optional output world.
  PF_Err send(PF_Cmd cmd, void *extra = nullptr, PF_LayerDef *output = nullptr);
  PF_Err about();
  PF_Err globalSetup();
  PF_Err globalSetdown();
  PF_Err paramsSetup();
  PF_Err updateParamsUI();
  PF_Err doDialog();
  PF_Err sequenceSetup();
  PF_Err sequenceSetdown();
  PF_Err sequenceFlatten();
  // GET_FLATTENED_SEQUENCE_DATA: the host copies the bytes and disposes of
  // the returned handle itself.
  PF_Err getFlattenedSequenceData(std::vector<uint8_t> *bytes);
  // RESETUP from bytes of a saved project (the host owns and disposes of the
  // handle it passes in).
  PF_Err sequenceResetup(const std::vector<uint8_t> &savedBytes);
  // Bytes held in the instance's sequence handle (empty when there is none).
  std::vector<uint8_t> sequenceBytes() const;
  bool hasSequenceData() const { return sequenceData_ != nullptr; }

  // Classic render of input into output over extent (default: whole output).
  PF_Err renderClassic(Image &input, Image &output, const PF_LRect *extent = nullptr);
  // Smart pre-render then smart render; input's origin gives its place in the
  // layer. The pre-render data is released the way the host does.
  PF_Err renderSmart(Image &input, Image &output, const SmartRenderOptions &options = {},
                     PreRenderResult *preRender = nullptr);
  // Pre-render only, for tests of the rectangles; the data is released.
  PF_Err preRenderOnly(const SmartRenderOptions &options, PreRenderResult *result);

  // ---- results ----
  const PF_OutData &outData() const { return lastOut_; }
  std::string returnMessage() const;
  Counters counters() const;
  long liveHandles() const;
  long liveWorlds() const;
  long outstandingSuites() const; // acquired minus released
  long outstandingParams() const; // checked out minus checked in
  // Empty when every suite, handle, world, layer and parameter taken was
  // given back; otherwise a description of what is left.
  std::string leaks() const;
  // Misuse the host noticed (unknown handles, double disposal, wrong sizes).
  std::vector<std::string> misuse() const;
  std::vector<std::pair<A_long, A_long>> progressLog() const;
  std::vector<ParamUIUpdate> paramUIUpdates() const;
  std::vector<LayerCheckout> layerCheckouts() const;
  std::vector<DialogShown> dialogsShown() const;
  std::map<std::string, long> suiteAcquisitions() const; // "name/version" -> count
  void resetLogs();

  // ---- parameters of the instance ----
  // Definitions as add_param received them, host index 1 upwards.
  const std::vector<PF_ParamDef> &registeredParams() const { return registered_; }
  std::vector<std::string> registeredChoiceTexts() const; // popup choice strings kept by the host
  int paramCount() const { return static_cast<int>(values_.size()); } // includes the layer
  // Host index of the first parameter with this name, or -1.
  int findParam(const std::string &name) const;
  PF_ParamDef &paramValue(int index); // the host's current definition (value fields)
  void setPopup(int index, A_long value);
  void setFloat(int index, double value);
  void setCheckbox(int index, bool on);
  void setColor(int index, A_u_char red, A_u_char green, A_u_char blue);
  // Point in layer pixels at full resolution; checkouts scale it by the
  // downsample factors.
  void setPoint(int index, double x, double y);
  // The parameter array a command receives (index 0 is the input layer).
  PF_ParamDef **paramArray();

  // Handles of the host, for tests that build sequence data by hand.
  PF_Handle newHandle(size_t size);
  void disposeHandle(PF_Handle handle);

  // ---- used by the callback functions ----
  struct Call;
  PF_Err runIterate(A_long iterations, void *refcon, PF_Err (*fn)(void *, A_long, A_long, A_long));
  bool takeFault(Fault which, PF_Err *err);
  // Counts a call of function id; true when the armed fault fires on it.
  bool enterFunction(int id, PF_Err *err);
  void noteMisuse(const std::string &what);
  bool suiteWithheld(const char *name, int32 version) const;
  void countSuite(const char *name, int32 version, bool acquire);
  PF_Handle allocHandle(A_HandleSize size);
  void *lockHandle(PF_Handle handle);
  void unlockHandle(PF_Handle handle);
  void freeHandle(PF_Handle handle);
  A_HandleSize handleSize(PF_Handle handle);
  PF_Err makeWorld(A_long width, A_long height, PF_Boolean clear, PF_PixelFormat format, PF_EffectWorld *world);
  PF_Err freeWorld(PF_EffectWorld *world);
  PF_Err checkoutParam(PF_ParamIndex index, PF_ParamDef *def, Call *call);
  PF_Err addParam(PF_ParamIndex index, const PF_ParamDef *def);
  PF_Err updateParamUI(PF_ParamIndex index, const PF_ParamDef *def);
  void logProgress(A_long current, A_long total);
  struct LiveCounters {
    std::atomic<long> suitesAcquired{0}, suitesReleased{0}, handlesMade{0}, handlesDisposed{0}, worldsMade{0},
        worldsDisposed{0}, paramCheckouts{0}, paramCheckins{0}, layerCheckouts{0}, layerPixelCheckouts{0},
        layerPixelCheckins{0}, outputCheckouts{0}, iterateCalls{0}, rgbToHlsCalls{0}, progressCalls{0},
        updateParamUICalls{0}, preRenderDeletes{0}, worldCopies{0}, worldCopiesHq{0};
  };
  LiveCounters live;
  const std::string &appLanguage() const { return appLanguage_; }
  void *mainWindow() const { return mainWindow_; }
  void logLayerCheckout(const LayerCheckout &checkout);
  A_long showDialog(const VortaneDialogRequest &request); // records it, returns the choice

 private:
  void fillInData(PF_InData *in, Call *call);
  PF_Err enter(PF_Cmd cmd, PF_InData *in, PF_OutData *out, PF_ParamDef **params, PF_LayerDef *output, void *extra);
  void rebuildParamArray();
  PF_ParamDef currentValue(int index) const; // with the point scaled to the current resolution
  // Smart pre-render, then (when render is set) smart render, then the
  // release of the pre-render data the way the host does it.
  PF_Err runSmart(Image &input, Image &output, const SmartRenderOptions &options, PreRenderResult *result,
                  bool render);

  PF_FilterProc entry_;
  int threads_;
  std::unique_ptr<ThreadPool> pool_;
  PF_SpecVersion version_{13, 28};
  A_long applId_ = VORTANE_APPL_ID_AFTER_EFFECTS;
  bool basicSuiteMissing_ = false;
  int layerWidth_ = 1920, layerHeight_ = 1080;
  PF_RationalScale downsampleX_{1, 1}, downsampleY_{1, 1};
  PF_Quality quality_ = PF_Quality_HI;
  A_long time_ = 0, timeStep_ = 1;
  A_u_long timeScale_ = 24;
  std::string appLanguage_ = "en_US";
  void *mainWindow_ = nullptr;
  A_long dialogChoice_ = kDialogChoiceOK;
  std::vector<DialogShown> dialogsShown_;

  PF_OutData lastOut_{};
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, int>> withheld_;
  struct FaultPlan {
    bool active = false;
    PF_Err err = 0;
    int successes = 0;
    bool once = false;
  };
  std::array<FaultPlan, static_cast<size_t>(Fault::Count)> faults_{};
  std::unique_ptr<std::atomic<long>[]> calls_; // per function id
  std::atomic<int> armedFunction_{-1};
  std::atomic<long> armedCall_{0};
  std::atomic<PF_Err> armedErr_{0};
  std::atomic<bool> faultFired_{false};

  std::map<std::string, long> suiteLive_;
  std::map<std::string, long> suiteTotal_;
  std::map<void *, size_t> handles_;   // live handles and their sizes
  std::map<void *, int> handleLocks_;  // lock counts
  std::map<const void *, size_t> worlds_; // data pointers and bytes of worlds made by PF_NewWorld
  // Buffers of disposed worlds kept for the next new world of the same
  // size, as a host's memory pool does; the newest first.
  std::vector<std::pair<size_t, void *>> worldPool_;
  bool markNewWorlds_ = true;
  std::vector<std::string> misuse_;
  std::vector<std::pair<A_long, A_long>> progress_;
  std::vector<ParamUIUpdate> uiUpdates_;
  std::vector<LayerCheckout> layerLog_;

  // The instance.
  std::vector<PF_ParamDef> registered_;
  std::vector<std::string> choiceTexts_; // one per registered parameter (popups and checkbox labels)
  std::vector<PF_ParamDef> values_;      // index 0: the input layer
  std::vector<std::pair<double, double>> points_; // full-resolution point values, per index (NaN: default)
  std::vector<PF_ParamDef> arrayDefs_;
  std::vector<PF_ParamDef *> array_;
  PF_Handle sequenceData_ = nullptr;
};

// The host's RGB-to-HLS conversion (H in degrees, L and S 0 to 1, as 16.16).
void ConvertRGBtoHLS(const PF_Pixel &rgb, PF_Fixed hls[3]);

} // namespace vemu
