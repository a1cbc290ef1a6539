// The host emulator: records, callbacks, suites, the instance's parameters
// and sequence data, and the classic and smart render paths.
#include "Host.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <sstream>
#include <thread>
#include <type_traits>

#include "ThreadPool.h"

namespace vemu {

struct Host::Call {
  Host *host;
  Image *input = nullptr;
  Image *output = nullptr;
  int layerCheckouts = 0; // checkout_layer_pixels minus checkin_layer_pixels
};

namespace {

thread_local Host::Call *tCall = nullptr;

class CallScope {
 public:
  explicit CallScope(Host::Call *call) : previous_(tCall) { tCall = call; }
  ~CallScope() { tCall = previous_; }

 private:
  Host::Call *previous_;
};

Host::Call *callOf(PF_ProgPtr effect_ref) { return reinterpret_cast<Host::Call *>(effect_ref); }

Host *currentHost() { return tCall ? tCall->host : nullptr; }

PF_Fixed toFixed(double v) { return static_cast<PF_Fixed>(std::floor(v * 65536.0 + 0.5)); }

// ---- handle callbacks (no effect_ref: the host of the calling thread) ----
PF_Handle cbNewHandle(A_HandleSize size) {
  Host *host = currentHost();
  return host ? host->allocHandle(size) : nullptr;
}
void *cbLockHandle(PF_Handle h) {
  Host *host = currentHost();
  return host ? host->lockHandle(h) : nullptr;
}
void cbUnlockHandle(PF_Handle h) {
  if (Host *host = currentHost()) host->unlockHandle(h);
}
void cbDisposeHandle(PF_Handle h) {
  if (Host *host = currentHost()) host->freeHandle(h);
}
A_HandleSize cbGetHandleSize(PF_Handle h) {
  Host *host = currentHost();
  return host ? host->handleSize(h) : 0;
}
PF_Err cbResizeHandle(A_HandleSize, PF_Handle *) { return PF_Err_INVALID_CALLBACK; }

// ---- interaction callbacks ----
PF_Err cbCheckoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long, A_long, A_u_long, PF_ParamDef *param) {
  Host::Call *call = callOf(ref);
  return call->host->checkoutParam(index, param, call);
}
PF_Err cbCheckinParam(PF_ProgPtr ref, PF_ParamDef *) {
  Host *host = callOf(ref)->host;
  PF_Err err;
  if (host->takeFault(Fault::CheckinParam, &err)) return err;
  ++host->live.paramCheckins;
  return PF_Err_NONE;
}
PF_Err cbAddParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDefPtr def) {
  return callOf(ref)->host->addParam(index, def);
}
PF_Err cbAbort(PF_ProgPtr) { return PF_Err_NONE; }
PF_Err cbProgress(PF_ProgPtr ref, A_long current, A_long total) {
  Host *host = callOf(ref)->host;
  ++host->live.progressCalls;
  host->logProgress(current, total);
  PF_Err err;
  if (host->takeFault(Fault::Progress, &err)) return err;
  return PF_Err_NONE;
}

// ---- utility callbacks ----
int cbSprintf(A_char *dest, const A_char *format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsprintf(dest, format, args);
  va_end(args);
  return n;
}
A_char *cbStrcpy(A_char *dest, const A_char *src) { return std::strcpy(dest, src); }

PF_Err cbRGBtoHLS(PF_ProgPtr ref, PF_Pixel *rgb, PF_HLS_Pixel hls) {
  Host *host = callOf(ref)->host;
  ++host->live.rgbToHlsCalls;
  PF_Err err;
  if (host->takeFault(Fault::RGBtoHLS, &err)) return err;
  ConvertRGBtoHLS(*rgb, hls);
  return PF_Err_NONE;
}

PF_Err cbGetPlatformData(PF_ProgPtr ref, PF_PlatDataID which, void *data) {
  Host *host = callOf(ref)->host;
  if (which == PF_PlatData_MAIN_WND) {
    void *window = host->mainWindow();
    std::memcpy(data, &window, sizeof window);
    return PF_Err_NONE;
  }
  return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err cbIterateGeneric(A_long iterations, void *refcon, PF_Err (*fn)(void *, A_long, A_long, A_long)) {
  Host *host = currentHost();
  if (!host) return PF_Err_INVALID_CALLBACK;
  return host->runIterate(iterations, refcon, fn);
}

// ---- basic suite ----
SPErr cbAcquireSuite(const char *name, int32 version, const void **suite);
SPErr cbReleaseSuite(const char *name, int32 version);
SPBoolean cbIsEqual(const char *a, const char *b) { return std::strcmp(a, b) == 0; }
SPErr cbAllocateBlock(size_t, void **block) {
  *block = nullptr;
  return kSPSuiteNotFoundError;
}
SPErr cbFreeBlock(void *) { return kSPSuiteNotFoundError; }
SPErr cbReallocateBlock(void *, size_t, void **newblock) {
  *newblock = nullptr;
  return kSPSuiteNotFoundError;
}
SPErr cbUndefined() { return kSPSuiteNotFoundError; }

// ---- world suites ----
PF_Err cbNewWorld2(PF_ProgPtr ref, A_long w, A_long h, PF_Boolean clear, PF_PixelFormat format, PF_EffectWorld *world) {
  return callOf(ref)->host->makeWorld(w, h, clear, format, world);
}
PF_Err cbDisposeWorld(PF_ProgPtr ref, PF_EffectWorld *world) { return callOf(ref)->host->freeWorld(world); }
PF_Err cbGetPixelFormat(const PF_EffectWorld *world, PF_PixelFormat *format) {
  Host *host = currentHost();
  PF_Err err;
  if (host && host->takeFault(Fault::GetPixelFormat, &err)) return err;
  if (!world || !LookupWorldFormat(world->data, format)) {
    if (host) host->noteMisuse("PF_GetPixelFormat of an unknown world");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  return PF_Err_NONE;
}
PF_Err cbNewWorld1(PF_ProgPtr ref, A_long w, A_long h, PF_NewWorldFlags flags, PF_EffectWorld *world) {
  PF_PixelFormat format = (flags & PF_NewWorldFlag_DEEP_PIXELS) ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32;
  return callOf(ref)->host->makeWorld(w, h, (flags & PF_NewWorldFlag_CLEAR_PIXELS) ? 1 : 0, format, world);
}

bool worldFormat(Host *host, const PF_EffectWorld *world, PF_PixelFormat *format) {
  if (world && LookupWorldFormat(world->data, format)) return true;
  host->noteMisuse("a world the host does not know");
  return false;
}

PF_Err copyWorlds(PF_ProgPtr ref, PF_EffectWorld *src, PF_EffectWorld *dst, PF_Rect *srcRect, PF_Rect *dstRect) {
  Host *host = callOf(ref)->host;
  PF_Err err;
  if (host->takeFault(Fault::WorldCopy, &err)) return err;
  PF_PixelFormat fs, fd;
  if (!worldFormat(host, src, &fs) || !worldFormat(host, dst, &fd)) return PF_Err_BAD_CALLBACK_PARAM;
  if (fs != fd) {
    host->noteMisuse("copy between worlds of different formats");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  PF_Rect s = srcRect ? *srcRect : PF_Rect{0, 0, src->width, src->height};
  PF_Rect d = dstRect ? *dstRect : PF_Rect{0, 0, dst->width, dst->height};
  const int w = std::min(s.right - s.left, d.right - d.left);
  const int h = std::min(s.bottom - s.top, d.bottom - d.top);
  if (s.left < 0 || s.top < 0 || d.left < 0 || d.top < 0 || s.left + w > src->width || d.left + w > dst->width ||
      s.top + h > src->height || d.top + h > dst->height) {
    host->noteMisuse("copy rectangle outside a world");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const int bpp = BytesPerPixel(fs);
  for (int y = 0; y < h; ++y) {
    const char *from = reinterpret_cast<const char *>(src->data) + static_cast<size_t>(s.top + y) * src->rowbytes;
    char *to = reinterpret_cast<char *>(dst->data) + static_cast<size_t>(d.top + y) * dst->rowbytes;
    std::memmove(to + d.left * bpp, from + s.left * bpp, static_cast<size_t>(w) * bpp);
  }
  return PF_Err_NONE;
}

// The suite's two copies behave alike; each is counted so tests can tell
// which one the plug-in chose.
PF_Err cbCopy(PF_ProgPtr ref, PF_EffectWorld *src, PF_EffectWorld *dst, PF_Rect *srcRect, PF_Rect *dstRect) {
  ++callOf(ref)->host->live.worldCopies;
  return copyWorlds(ref, src, dst, srcRect, dstRect);
}
PF_Err cbCopyHq(PF_ProgPtr ref, PF_EffectWorld *src, PF_EffectWorld *dst, PF_Rect *srcRect, PF_Rect *dstRect) {
  ++callOf(ref)->host->live.worldCopiesHq;
  return copyWorlds(ref, src, dst, srcRect, dstRect);
}

PF_Err cbFill(PF_ProgPtr ref, const PF_Pixel *color, const PF_Rect *rect, PF_EffectWorld *world) {
  Host *host = callOf(ref)->host;
  PF_Err err;
  if (host->takeFault(Fault::WorldFill, &err)) return err;
  PF_PixelFormat format;
  if (!worldFormat(host, world, &format)) return PF_Err_BAD_CALLBACK_PARAM;
  PF_Rect r = rect ? *rect : PF_Rect{0, 0, world->width, world->height};
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::min(r.right, world->width);
  r.bottom = std::min(r.bottom, world->height);
  PF_Pixel c = color ? *color : PF_Pixel{0, 0, 0, 0};
  unsigned char pixel[16];
  const int bpp = BytesPerPixel(format);
  if (format == PF_PixelFormat_ARGB32) {
    std::memcpy(pixel, &c, 4);
  } else if (format == PF_PixelFormat_ARGB64) {
    auto wide = [](A_u_char v) { return static_cast<A_u_short>((v * 32768 + 128) / 255); };
    PF_Pixel16 p{wide(c.alpha), wide(c.red), wide(c.green), wide(c.blue)};
    std::memcpy(pixel, &p, 8);
  } else {
    PF_PixelFloat p{c.alpha / 255.0f, c.red / 255.0f, c.green / 255.0f, c.blue / 255.0f};
    std::memcpy(pixel, &p, 16);
  }
  for (int y = r.top; y < r.bottom; ++y) {
    char *row = reinterpret_cast<char *>(world->data) + static_cast<size_t>(y) * world->rowbytes;
    for (int x = r.left; x < r.right; ++x) std::memcpy(row + x * bpp, pixel, bpp);
  }
  return PF_Err_NONE;
}


// ---- param utils suite ----
PF_Err cbUpdateParamUI(PF_ProgPtr ref, PF_ParamIndex index, const PF_ParamDef *def) {
  return callOf(ref)->host->updateParamUI(index, def);
}

// ---- app suite ----
PF_Err cbAppGetLanguage(A_char *tag) {
  Host *host = currentHost();
  if (!host) return PF_Err_INVALID_CALLBACK;
  std::snprintf(tag, PF_APP_LANG_TAG_SIZE, "%s", host->appLanguage().c_str());
  return PF_Err_NONE;
}

// ---- dialog choice suite (ours: the options dialog without a window) ----
PF_Err cbRunOptionsDialog(const VortaneDialogRequest *request, A_long *choice) {
  Host *host = currentHost();
  if (!host || !request || !choice) return PF_Err_BAD_CALLBACK_PARAM;
  *choice = host->showDialog(*request);
  return PF_Err_NONE;
}

// ---- smart render callbacks ----
PF_Err cbCheckoutLayer(PF_ProgPtr ref, PF_ParamIndex index, A_long id, const PF_RenderRequest *req, A_long time,
                       A_long step, A_u_long scale, PF_CheckoutResult *result) {
  Host::Call *call = callOf(ref);
  Host *host = call->host;
  PF_Err err;
  if (host->takeFault(Fault::CheckoutLayer, &err)) return err;
  ++host->live.layerCheckouts;
  host->logLayerCheckout(LayerCheckout{index, id, *req, time, step, scale});
  std::memset(result, 0, sizeof *result);
  if (!call->input) return PF_Err_BAD_CALLBACK_PARAM;
  const PF_EffectWorld *w = call->input->world();
  PF_LRect bounds{w->origin_x, w->origin_y, w->origin_x + w->width, w->origin_y + w->height};
  PF_LRect r{std::max(req->rect.left, bounds.left), std::max(req->rect.top, bounds.top),
             std::min(req->rect.right, bounds.right), std::min(req->rect.bottom, bounds.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) r = PF_LRect{0, 0, 0, 0};
  result->result_rect = r;
  result->max_result_rect = bounds;
  result->par = PF_RationalScale{1, 1};
  result->ref_width = w->width;
  result->ref_height = w->height;
  return PF_Err_NONE;
}
PF_Err cbGuidMixIn(PF_ProgPtr, A_u_long, const void *) { return PF_Err_NONE; }

PF_Err cbCheckoutLayerPixels(PF_ProgPtr ref, A_long id, PF_EffectWorld **pixels) {
  Host::Call *call = callOf(ref);
  Host *host = call->host;
  PF_Err err;
  *pixels = nullptr;
  if (host->takeFault(Fault::CheckoutLayerPixels, &err)) return err;
  if (id != 0 || !call->input) return PF_Err_BAD_CALLBACK_PARAM;
  ++host->live.layerPixelCheckouts;
  ++call->layerCheckouts;
  *pixels = call->input->world();
  return PF_Err_NONE;
}
PF_Err cbCheckinLayerPixels(PF_ProgPtr ref, A_long id) {
  Host::Call *call = callOf(ref);
  Host *host = call->host;
  PF_Err err;
  if (host->takeFault(Fault::CheckinLayerPixels, &err)) return err;
  if (id != 0 || call->layerCheckouts <= 0) {
    host->noteMisuse("checkin_layer_pixels without a checkout");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  ++host->live.layerPixelCheckins;
  --call->layerCheckouts;
  return PF_Err_NONE;
}
PF_Err cbCheckoutOutput(PF_ProgPtr ref, PF_EffectWorld **output) {
  Host::Call *call = callOf(ref);
  Host *host = call->host;
  PF_Err err;
  *output = nullptr;
  if (host->takeFault(Fault::CheckoutOutput, &err)) return err;
  if (!call->output) return PF_Err_BAD_CALLBACK_PARAM;
  ++host->live.outputCheckouts;
  *output = call->output->world();
  return PF_Err_NONE;
}

// ---- counted functions ----
// Every callback and suite function the plug-in can reach is entered through
// Hook, which counts the call for its host and fails it when the host's armed
// fault says so. Suite acquisitions count per suite (ids from kFixedFunctions
// on, in the order of kSuites).
enum FunctionId : int {
  fNewHandle, fLockHandle, fUnlockHandle, fDisposeHandle, fGetHandleSize, fResizeHandle, fCheckoutParam,
  fCheckinParam, fAddParam, fAbort, fProgress, fRGBtoHLS, fGetPlatformData, fIterateGeneric, fNewWorld2,
  fDisposeWorld2, fGetPixelFormat, fNewWorld1, fDisposeWorld1, fCopy, fCopyHq, fFill, fUpdateParamUI,
  fAppGetLanguage, fRunOptionsDialog, fCheckoutLayer, fGuidMixIn, fCheckoutLayerPixels, fCheckinLayerPixels,
  fCheckoutOutput, fReleaseSuite, kFixedFunctions
};
const char *const kFunctionNames[kFixedFunctions] = {
    "host_new_handle", "host_lock_handle", "host_unlock_handle", "host_dispose_handle", "host_get_handle_size",
    "host_resize_handle", "checkout_param", "checkin_param", "add_param", "abort", "progress", "RGBtoHLS",
    "get_platform_data", "iterate_generic", "PF_NewWorld", "PF_DisposeWorld", "PF_GetPixelFormat", "new_world",
    "dispose_world", "copy", "copy_hq", "fill", "PF_UpdateParamUI", "PF_AppGetLanguage", "RunOptionsDialog",
    "checkout_layer", "GuidMixIn", "checkout_layer_pixels", "checkin_layer_pixels", "checkout_output",
    "ReleaseSuite"};

// What a failed call returns: the error for functions with an error result,
// null for the handle functions that hand out a pointer, 0 otherwise.
template <typename R> R FailedResult(PF_Err err) {
  if constexpr (std::is_same_v<R, PF_Err>) return err;
  else return R{};
}

// GivesBack: the call hands something back to the host, which takes it even
// when the call then reports an error.
template <auto Fn, int Id, bool GivesBack = false> struct Hook;
template <typename R, typename... A, R (*Fn)(A...), int Id, bool GivesBack> struct Hook<Fn, Id, GivesBack> {
  static R call(A... args) {
    Host *host = currentHost();
    PF_Err err = PF_Err_NONE;
    const bool fail = host && host->enterFunction(Id, &err);
    if constexpr (std::is_void_v<R>) {
      Fn(args...);
    } else if constexpr (GivesBack) {
      const R result = Fn(args...);
      return fail ? FailedResult<R>(err) : result;
    } else {
      if (fail) return FailedResult<R>(err);
      return Fn(args...);
    }
  }
};
#define VEMU_HOOK(fn, id) (&Hook<fn, id>::call)
#define VEMU_HOOK_GIVES_BACK(fn, id) (&Hook<fn, id, true>::call)

// ---- static tables ----
SPBasicSuite gBasicSuite = {cbAcquireSuite, cbReleaseSuite, cbIsEqual,      cbAllocateBlock,
                            cbFreeBlock,    cbReallocateBlock, cbUndefined};

PF_HandleSuite1 gHandleSuite = {VEMU_HOOK(cbNewHandle, fNewHandle),         VEMU_HOOK(cbLockHandle, fLockHandle),
                                VEMU_HOOK(cbUnlockHandle, fUnlockHandle),   VEMU_HOOK(cbDisposeHandle, fDisposeHandle),
                                VEMU_HOOK(cbGetHandleSize, fGetHandleSize), VEMU_HOOK(cbResizeHandle, fResizeHandle)};

PF_WorldSuite1 gWorldSuite1 = {VEMU_HOOK(cbNewWorld1, fNewWorld1),
                               VEMU_HOOK_GIVES_BACK(cbDisposeWorld, fDisposeWorld1)};
PF_WorldSuite2 gWorldSuite2 = {VEMU_HOOK(cbNewWorld2, fNewWorld2), VEMU_HOOK_GIVES_BACK(cbDisposeWorld, fDisposeWorld2),
                               VEMU_HOOK(cbGetPixelFormat, fGetPixelFormat)};

PF_WorldTransformSuite1 makeTransformSuite() {
  PF_WorldTransformSuite1 s{};
  s.copy = VEMU_HOOK(cbCopy, fCopy);
  s.copy_hq = VEMU_HOOK(cbCopyHq, fCopyHq);
  return s;
}
PF_WorldTransformSuite1 gTransformSuite = makeTransformSuite();

PF_FillMatteSuite2 makeFillSuite() {
  PF_FillMatteSuite2 s{};
  s.fill = VEMU_HOOK(cbFill, fFill);
  return s;
}
PF_FillMatteSuite2 gFillSuite = makeFillSuite();

PF_ParamUtilsSuite1 makeParamUtils1() {
  PF_ParamUtilsSuite1 s{};
  s.PF_UpdateParamUI = VEMU_HOOK(cbUpdateParamUI, fUpdateParamUI);
  return s;
}
PF_ParamUtilsSuite1 gParamUtils1 = makeParamUtils1();
PF_ParamUtilsSuite3 makeParamUtils3() {
  PF_ParamUtilsSuite3 s{};
  s.PF_UpdateParamUI = VEMU_HOOK(cbUpdateParamUI, fUpdateParamUI);
  return s;
}
PF_ParamUtilsSuite3 gParamUtils3 = makeParamUtils3();

PFAppSuite5 makeAppSuite() {
  PFAppSuite5 s{};
  s.PF_AppGetLanguage = VEMU_HOOK(cbAppGetLanguage, fAppGetLanguage);
  return s;
}
PFAppSuite5 gAppSuite = makeAppSuite();
VortaneDialogChoiceSuite1 gDialogChoiceSuite = {VEMU_HOOK(cbRunOptionsDialog, fRunOptionsDialog)};

struct SuiteEntry {
  const char *name;
  int32 version;
  const void *table;
};
const SuiteEntry kSuites[] = {
    {kPFHandleSuite, 2, &gHandleSuite},          {kPFWorldSuite, 1, &gWorldSuite1},
    {kPFWorldSuite, 2, &gWorldSuite2},           {kPFWorldTransformSuite, 1, &gTransformSuite},
    {kPFFillMatteSuite, 2, &gFillSuite},         {kPFParamUtilsSuite, 2, &gParamUtils1},
    {kPFParamUtilsSuite, 3, &gParamUtils3},      {kPFAppSuite, 7, &gAppSuite},
    {kVortaneDialogChoiceSuite, kVortaneDialogChoiceSuiteVersion1, &gDialogChoiceSuite},
};

constexpr int kSuiteCount = static_cast<int>(sizeof kSuites / sizeof kSuites[0]);

std::string FunctionName(int id) {
  if (id < kFixedFunctions) return kFunctionNames[id];
  const SuiteEntry &e = kSuites[id - kFixedFunctions];
  return std::string("AcquireSuite ") + e.name + "/" + std::to_string(e.version);
}

SPErr cbAcquireSuite(const char *name, int32 version, const void **suite) {
  *suite = nullptr;
  Host *host = currentHost();
  if (!host) return kSPSuiteNotFoundError;
  if (host->suiteWithheld(name, version)) return kSPSuiteNotFoundError;
  for (int i = 0; i < kSuiteCount; ++i) {
    const SuiteEntry &e = kSuites[i];
    if (std::strcmp(e.name, name) == 0 && e.version == version) {
      PF_Err failure;
      if (host->enterFunction(kFixedFunctions + i, &failure)) return failure;
      PF_Err ignored;
      *suite = host->takeFault(Fault::SuiteWithoutTable, &ignored) ? nullptr : e.table;
      host->countSuite(name, version, true);
      return kSPNoError;
    }
  }
  return kSPSuiteNotFoundError;
}

SPErr cbReleaseSuite(const char *name, int32 version) {
  Host *host = currentHost();
  if (!host) return kSPSuiteNotFoundError;
  PF_Err failure = PF_Err_NONE;
  const bool fail = host->enterFunction(fReleaseSuite, &failure);
  host->countSuite(name, version, false);
  return fail ? failure : kSPNoError;
}

PF_UtilCallbacks makeUtils() {
  PF_UtilCallbacks u{};
  u.host_new_handle = gHandleSuite.host_new_handle;
  u.host_lock_handle = gHandleSuite.host_lock_handle;
  u.host_unlock_handle = gHandleSuite.host_unlock_handle;
  u.host_dispose_handle = gHandleSuite.host_dispose_handle;
  u.host_get_handle_size = gHandleSuite.host_get_handle_size;
  u.host_resize_handle = gHandleSuite.host_resize_handle;
  u.ansi.sprintf = cbSprintf;
  u.ansi.strcpy = cbStrcpy;
  u.colorCB.RGBtoHLS = VEMU_HOOK(cbRGBtoHLS, fRGBtoHLS);
  u.get_platform_data = VEMU_HOOK(cbGetPlatformData, fGetPlatformData);
  u.iterate_generic = VEMU_HOOK(cbIterateGeneric, fIterateGeneric);
  u.copy = VEMU_HOOK(copyWorlds, fCopy);
  u.fill = VEMU_HOOK(cbFill, fFill);
  u.new_world = VEMU_HOOK(cbNewWorld1, fNewWorld1);
  u.dispose_world = VEMU_HOOK_GIVES_BACK(cbDisposeWorld, fDisposeWorld1);
  return u;
}
PF_UtilCallbacks gUtils = makeUtils();

struct HandleBlock {
  void *data; // the handle points here
  size_t size;
  uint32_t magic;
};
constexpr uint32_t kHandleMagic = 0x48414e44;

short bitDepthOf(PF_PixelFormat format) {
  return format == PF_PixelFormat_ARGB128 ? 32 : format == PF_PixelFormat_ARGB64 ? 16 : 8;
}

} // namespace

void ConvertRGBtoHLS(const PF_Pixel &rgb, PF_Fixed hls[3]) {
  const int r = rgb.red, g = rgb.green, b = rgb.blue;
  const int mx = std::max(r, std::max(g, b));
  const int mn = std::min(r, std::min(g, b));
  const int d = mx - mn;
  const double L = (mx + mn) / 510.0;
  double H = 0.0, S = 0.0;
  if (d != 0) {
    S = (mx + mn <= 255) ? static_cast<double>(d) / (mx + mn) : static_cast<double>(d) / (510 - mx - mn);
    if (r == mx)
      H = 60.0 * (g - b) / d;
    else if (g == mx)
      H = 60.0 * (2.0 + static_cast<double>(b - r) / d);
    else
      H = 60.0 * (4.0 + static_cast<double>(r - g) / d);
    if (H < 0.0) H += 360.0;
  }
  hls[0] = static_cast<int32_t>(H * 65536.0 + 0.5);
  hls[1] = static_cast<int32_t>(L * 65536.0 + 0.5);
  hls[2] = static_cast<int32_t>(S * 65536.0 + 0.5);
}

struct Host::DirectCall::State {
  Call call;
  Call *previous;
};

Host::DirectCall::DirectCall(Host &host) : state_(new State{Call{&host}, tCall}) {
  tCall = &state_->call;
  host.fillInData(&in_, &state_->call);
}

Host::DirectCall::~DirectCall() { tCall = state_->previous; }

Host::Host(PF_FilterProc entry) : entry_(entry), calls_(new std::atomic<long>[kFixedFunctions + kSuiteCount]) {
  resetCallCounts();
  unsigned n = std::thread::hardware_concurrency();
  setThreads(n ? static_cast<int>(n) : 1);
}

Host::~Host() {
  // Handles the plug-in left behind are freed so a leaking test does not
  // also leak memory into the next one; leaks() reports them first.
  for (auto &h : handles_) {
    auto *block = reinterpret_cast<HandleBlock *>(h.first);
    std::free(block->data);
    delete block;
  }
  for (auto &w : worlds_) {
    UnregisterWorldData(w.first);
    std::free(const_cast<void *>(w.first));
  }
  for (auto &pooled : worldPool_) std::free(pooled.second);
}

void Host::setThreads(int n) {
  threads_ = std::max(1, n);
  pool_ = std::make_unique<ThreadPool>(threads_ - 1);
}

void Host::setApiVersion(int major, int minor) {
  version_.major = static_cast<A_short>(major);
  version_.minor = static_cast<A_short>(minor);
}

void Host::setLayerSize(int width, int height) {
  layerWidth_ = width;
  layerHeight_ = height;
}

void Host::setDownsample(A_long xNum, A_u_long xDen, A_long yNum, A_u_long yDen) {
  downsampleX_ = {xNum, xDen};
  downsampleY_ = {yNum, yDen};
}

void Host::setTime(A_long current, A_long step, A_u_long scale) {
  time_ = current;
  timeStep_ = step;
  timeScale_ = scale;
}

void Host::withholdSuite(const std::string &name, int version) {
  std::lock_guard<std::mutex> lock(mutex_);
  withheld_.emplace_back(name, version);
}

void Host::injectFault(Fault which, PF_Err err, int successes, bool once) {
  std::lock_guard<std::mutex> lock(mutex_);
  FaultPlan &p = faults_[static_cast<size_t>(which)];
  p.active = true;
  p.err = err;
  p.successes = successes;
  p.once = once;
}

void Host::clearFaults() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (FaultPlan &p : faults_) p = FaultPlan{};
}

bool Host::takeFault(Fault which, PF_Err *err) {
  std::lock_guard<std::mutex> lock(mutex_);
  FaultPlan &p = faults_[static_cast<size_t>(which)];
  if (!p.active) return false;
  if (p.successes > 0) {
    --p.successes;
    return false;
  }
  *err = p.err;
  if (p.once) p.active = false;
  return true;
}

bool Host::failCall(const std::string &function, long n, PF_Err err) {
  for (int id = 0; id < kFixedFunctions + kSuiteCount; ++id) {
    if (FunctionName(id) != function) continue;
    armedFunction_ = -1;
    faultFired_ = false;
    armedErr_ = err;
    armedCall_ = calls_[id] + n;
    armedFunction_ = id;
    return true;
  }
  return false;
}

bool Host::enterFunction(int id, PF_Err *err) {
  const long n = ++calls_[id];
  if (armedFunction_.load() != id || n != armedCall_.load()) return false;
  int armed = id;
  if (!armedFunction_.compare_exchange_strong(armed, -1)) return false;
  *err = armedErr_;
  faultFired_ = true;
  return true;
}

std::map<std::string, long> Host::callCounts() const {
  std::map<std::string, long> counts;
  for (int id = 0; id < kFixedFunctions + kSuiteCount; ++id)
    if (calls_[id] > 0) counts[FunctionName(id)] = calls_[id];
  return counts;
}

void Host::resetCallCounts() {
  for (int id = 0; id < kFixedFunctions + kSuiteCount; ++id) calls_[id] = 0;
}

bool Host::canFail(const std::string &function) {
  return function != kFunctionNames[fUnlockHandle] && function != kFunctionNames[fDisposeHandle];
}

void Host::noteMisuse(const std::string &what) {
  std::lock_guard<std::mutex> lock(mutex_);
  misuse_.push_back(what);
}

bool Host::suiteWithheld(const char *name, int32 version) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto &w : withheld_)
    if (w.first == name && w.second == version) return true;
  return false;
}

void Host::countSuite(const char *name, int32 version, bool acquire) {
  std::string key = std::string(name) + "/" + std::to_string(version);
  std::lock_guard<std::mutex> lock(mutex_);
  if (acquire) {
    ++live.suitesAcquired;
    ++suiteLive_[key];
    ++suiteTotal_[key];
  } else {
    ++live.suitesReleased;
    if (--suiteLive_[key] < 0) misuse_.push_back("ReleaseSuite of " + key + " without AcquireSuite");
  }
}

PF_Handle Host::allocHandle(A_HandleSize size) {
  PF_Err err;
  if (takeFault(Fault::NewHandle, &err)) return nullptr;
  if (size > (static_cast<A_HandleSize>(1) << 40)) {
    noteMisuse("host_new_handle of an absurd size");
    return nullptr;
  }
  auto *block = new HandleBlock{std::calloc(size ? size : 1, 1), static_cast<size_t>(size), kHandleMagic};
  if (!block->data) {
    delete block;
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    handles_[block] = static_cast<size_t>(size);
    handleLocks_[block] = 0;
  }
  ++live.handlesMade;
  return reinterpret_cast<PF_Handle>(block);
}

void *Host::lockHandle(PF_Handle handle) {
  PF_Err err;
  if (takeFault(Fault::LockHandle, &err)) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!handles_.count(handle)) {
    misuse_.push_back("host_lock_handle of an unknown handle");
    return nullptr;
  }
  ++handleLocks_[handle];
  return reinterpret_cast<HandleBlock *>(handle)->data;
}

void Host::unlockHandle(PF_Handle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!handles_.count(handle)) {
    misuse_.push_back("host_unlock_handle of an unknown handle");
    return;
  }
  if (--handleLocks_[handle] < 0) {
    misuse_.push_back("host_unlock_handle of a handle that is not locked");
    handleLocks_[handle] = 0;
  }
}

void Host::freeHandle(PF_Handle handle) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!handles_.count(handle)) {
      misuse_.push_back("host_dispose_handle of an unknown handle");
      return;
    }
    handles_.erase(handle);
    handleLocks_.erase(handle);
  }
  auto *block = reinterpret_cast<HandleBlock *>(handle);
  std::free(block->data);
  delete block;
  ++live.handlesDisposed;
}

A_HandleSize Host::handleSize(PF_Handle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    misuse_.push_back("host_get_handle_size of an unknown handle");
    return 0;
  }
  return it->second;
}

PF_Handle Host::newHandle(size_t size) {
  Call call{this};
  CallScope scope(&call);
  return allocHandle(size);
}

void Host::disposeHandle(PF_Handle handle) { freeHandle(handle); }

PF_Err Host::makeWorld(A_long width, A_long height, PF_Boolean clear, PF_PixelFormat format, PF_EffectWorld *world) {
  PF_Err err;
  if (takeFault(Fault::NewWorld, &err)) return err;
  const int bpp = BytesPerPixel(format);
  if (bpp == 0 || width < 0 || height < 0) return PF_Err_BAD_CALLBACK_PARAM;
  std::memset(world, 0, sizeof *world);
  // Rows aligned to 16 bytes plus 16 bytes of slack, like a real host's stride.
  const A_long rowbytes = ((width * bpp + 15) / 16) * 16 + 16;
  const size_t bytes = static_cast<size_t>(rowbytes) * std::max<A_long>(height, 1);
  void *data = nullptr;
  {
    // A released buffer of the same size is taken again, as a host's pool does.
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = worldPool_.begin(); it != worldPool_.end(); ++it) {
      if (it->first == bytes) {
        data = it->second;
        worldPool_.erase(it);
        break;
      }
    }
  }
  if (!data) data = std::malloc(bytes);
  if (!data) return PF_Err_OUT_OF_MEMORY;
  // Uncleared worlds hold garbage in a real host; a fixed pattern makes any
  // read of an unwritten pixel visible and repeatable.
  if (clear)
    std::memset(data, 0, bytes);
  else if (markNewWorlds_)
    std::memset(data, 0xA5, bytes);
  world->world_flags = PF_WorldFlag_WRITEABLE | (format == PF_PixelFormat_ARGB64 ? PF_WorldFlag_DEEP : 0);
  world->data = static_cast<PF_PixelPtr>(data);
  world->rowbytes = rowbytes;
  world->width = width;
  world->height = height;
  world->extent_hint = {0, 0, width, height};
  world->pix_aspect_ratio = {1, 1};
  RegisterWorldData(data, format);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    worlds_[data] = bytes;
  }
  ++live.worldsMade;
  return PF_Err_NONE;
}

PF_Err Host::freeWorld(PF_EffectWorld *world) {
  if (!world) return PF_Err_BAD_CALLBACK_PARAM;
  size_t bytes = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = worlds_.find(world->data);
    if (it == worlds_.end()) {
      misuse_.push_back("dispose of a world the host did not make");
      return PF_Err_BAD_CALLBACK_PARAM;
    }
    bytes = it->second;
    worlds_.erase(it);
  }
  UnregisterWorldData(world->data);
  {
    // Kept for reuse; the pool holds a few buffers, the oldest go first.
    constexpr size_t kPooledWorlds = 8;
    std::lock_guard<std::mutex> lock(mutex_);
    worldPool_.insert(worldPool_.begin(), {bytes, world->data});
    if (worldPool_.size() > kPooledWorlds) {
      std::free(worldPool_.back().second);
      worldPool_.pop_back();
    }
  }
  world->data = nullptr;
  ++live.worldsDisposed;
  return PF_Err_NONE;
}

PF_Err Host::runIterate(A_long iterations, void *refcon, PF_Err (*fn)(void *, A_long, A_long, A_long)) {
  ++live.iterateCalls;
  PF_Err err;
  if (takeFault(Fault::IterateGeneric, &err)) return err;
  const int n = iterations == PF_Iterations_ONCE_PER_PROCESSOR ? threads_ : iterations;
  if (n <= 0) return PF_Err_NONE;
  std::vector<PF_Err> results(n, PF_Err_NONE);
  Call *call = tCall;
  pool_->run(n, [&](int i, int threadIndex) {
    CallScope scope(call);
    results[i] = fn(refcon, threadIndex, i, n);
  });
  for (PF_Err e : results)
    if (e != PF_Err_NONE) return e;
  return PF_Err_NONE;
}

void Host::logProgress(A_long current, A_long total) {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.emplace_back(current, total);
}

void Host::logLayerCheckout(const LayerCheckout &checkout) {
  std::lock_guard<std::mutex> lock(mutex_);
  layerLog_.push_back(checkout);
}

// ---- parameters ----

PF_Err Host::addParam(PF_ParamIndex index, const PF_ParamDef *def) {
  PF_Err err;
  if (takeFault(Fault::AddParam, &err)) return err;
  if (index != -1 && index != static_cast<PF_ParamIndex>(registered_.size()) + 1) {
    noteMisuse("add_param at an index other than the next one");
    return PF_Err_INVALID_INDEX;
  }
  registered_.push_back(*def);
  std::string text;
  if (def->param_type == PF_Param_POPUP && def->u.pd.u.namesptr) text = def->u.pd.u.namesptr;
  if (def->param_type == PF_Param_CHECKBOX && def->u.bd.u.nameptr) text = def->u.bd.u.nameptr;
  choiceTexts_.push_back(text);
  return PF_Err_NONE;
}

std::vector<std::string> Host::registeredChoiceTexts() const { return choiceTexts_; }

int Host::findParam(const std::string &name) const {
  for (size_t i = 0; i < registered_.size(); ++i)
    if (name == registered_[i].name) return static_cast<int>(i) + 1;
  return -1;
}

PF_ParamDef &Host::paramValue(int index) { return values_.at(static_cast<size_t>(index)); }

void Host::setPopup(int index, A_long value) { paramValue(index).u.pd.value = value; }
void Host::setFloat(int index, double value) { paramValue(index).u.fs_d.value = value; }
void Host::setCheckbox(int index, bool on) { paramValue(index).u.bd.value = on ? 1 : 0; }
void Host::setColor(int index, A_u_char red, A_u_char green, A_u_char blue) {
  paramValue(index).u.cd.value = PF_Pixel{255, red, green, blue};
}
void Host::setPoint(int index, double x, double y) {
  paramValue(index); // range check
  points_.at(static_cast<size_t>(index)) = {x, y};
}

PF_ParamDef Host::currentValue(int index) const {
  PF_ParamDef def = values_.at(static_cast<size_t>(index));
  if (def.param_type == PF_Param_POINT) {
    double x, y;
    const auto &p = points_.at(static_cast<size_t>(index));
    if (!std::isnan(p.first)) {
      x = p.first;
      y = p.second;
    } else {
      x = def.u.td.x_dephault / 65536.0 / 100.0 * layerWidth_;
      y = def.u.td.y_dephault / 65536.0 / 100.0 * layerHeight_;
    }
    x = x * downsampleX_.num / downsampleX_.den;
    y = y * downsampleY_.num / downsampleY_.den;
    def.u.td.x_value = toFixed(x);
    def.u.td.y_value = toFixed(y);
  }
  return def;
}

PF_Err Host::checkoutParam(PF_ParamIndex index, PF_ParamDef *def, Call *call) {
  PF_Err err;
  if (takeFault(Fault::CheckoutParam, &err)) return err;
  if (index < 0 || index >= static_cast<PF_ParamIndex>(values_.size())) return PF_Err_INVALID_INDEX;
  *def = currentValue(index);
  if (index == 0 && call && call->input) def->u.ld = *call->input->world();
  ++live.paramCheckouts;
  return PF_Err_NONE;
}

PF_Err Host::updateParamUI(PF_ParamIndex index, const PF_ParamDef *def) {
  ++live.updateParamUICalls;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    uiUpdates_.push_back(ParamUIUpdate{index, def->ui_flags, *def});
  }
  PF_Err err;
  if (takeFault(Fault::UpdateParamUI, &err)) return err;
  if (index <= 0 || index >= static_cast<PF_ParamIndex>(values_.size())) return PF_Err_INVALID_INDEX;
  // The host takes over only what an effect may change this way.
  PF_ParamDef &held = values_[static_cast<size_t>(index)];
  const PF_ParamUIFlags changeable = PF_PUI_DISABLED | PF_PUI_ECW_SEPARATOR;
  held.ui_flags = (held.ui_flags & ~changeable) | (def->ui_flags & changeable);
  return PF_Err_NONE;
}

void Host::rebuildParamArray() {
  arrayDefs_.assign(values_.size(), PF_ParamDef{});
  for (size_t i = 0; i < values_.size(); ++i) arrayDefs_[i] = currentValue(static_cast<int>(i));
  array_.assign(values_.size() + 1, nullptr);
  for (size_t i = 0; i < values_.size(); ++i) array_[i] = &arrayDefs_[i];
}

PF_ParamDef **Host::paramArray() {
  rebuildParamArray();
  return array_.data();
}

// ---- commands ----

void Host::fillInData(PF_InData *in, Call *call) {
  std::memset(in, 0, sizeof *in);
  in->inter.checkout_param = VEMU_HOOK(cbCheckoutParam, fCheckoutParam);
  in->inter.checkin_param = VEMU_HOOK_GIVES_BACK(cbCheckinParam, fCheckinParam);
  in->inter.add_param = VEMU_HOOK(cbAddParam, fAddParam);
  in->inter.abort = VEMU_HOOK(cbAbort, fAbort);
  in->inter.progress = VEMU_HOOK(cbProgress, fProgress);
  in->utils = &gUtils;
  in->effect_ref = reinterpret_cast<PF_ProgPtr>(call);
  in->quality = quality_;
  in->version = version_;
  in->appl_id = applId_;
  in->num_params = static_cast<A_long>(values_.size());
  in->current_time = time_;
  in->time_step = timeStep_;
  in->total_time = timeStep_ * 100;
  in->local_time_step = timeStep_;
  in->time_scale = timeScale_;
  in->field = PF_Field_FRAME;
  in->width = layerWidth_;
  in->height = layerHeight_;
  in->extent_hint = {0, 0, layerWidth_, layerHeight_};
  in->downsample_x = downsampleX_;
  in->downsample_y = downsampleY_;
  in->pixel_aspect_ratio = {1, 1};
  in->sequence_data = sequenceData_;
  in->pica_basicP = basicSuiteMissing_ ? nullptr : &gBasicSuite;
}

PF_Err Host::enter(PF_Cmd cmd, PF_InData *in, PF_OutData *out, PF_ParamDef **params, PF_LayerDef *output,
                   void *extra) {
  Call *call = reinterpret_cast<Call *>(in->effect_ref);
  CallScope scope(call);
  PF_Err err = entry_(cmd, in, out, params, output, extra);
  std::lock_guard<std::mutex> lock(mutex_);
  lastOut_ = *out;
  return err;
}

PF_Err Host::send(PF_Cmd cmd, void *extra, PF_LayerDef *output) {
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_ParamDef **params = values_.empty() ? nullptr : paramArray();
  return enter(cmd, &in, &out, params, output, extra);
}

PF_Err Host::about() { return send(PF_Cmd_ABOUT); }
PF_Err Host::globalSetup() { return send(PF_Cmd_GLOBAL_SETUP); }
PF_Err Host::globalSetdown() { return send(PF_Cmd_GLOBAL_SETDOWN); }
PF_Err Host::updateParamsUI() { return send(PF_Cmd_UPDATE_PARAMS_UI); }
PF_Err Host::doDialog() { return send(PF_Cmd_DO_DIALOG); }

A_long Host::showDialog(const VortaneDialogRequest &request) {
  DialogShown shown;
  shown.parentWindow = request.parentWindow;
  shown.title = request.title ? request.title : "";
  shown.manualAddress = request.manualAddress ? request.manualAddress : "";
  shown.language = request.language;
  shown.buttonsEnabled = request.buttonsEnabled != 0;
  std::lock_guard<std::mutex> lock(mutex_);
  dialogsShown_.push_back(shown);
  return dialogChoice_;
}

std::vector<DialogShown> Host::dialogsShown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dialogsShown_;
}

PF_Err Host::paramsSetup() {
  registered_.clear();
  choiceTexts_.clear();
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_PARAMS_SETUP, &in, &out, nullptr, nullptr, nullptr);
  // The instance starts with the registered defaults.
  values_.assign(1, PF_ParamDef{});
  values_[0].param_type = PF_Param_LAYER;
  for (const PF_ParamDef &def : registered_) values_.push_back(def);
  points_.assign(values_.size(), {std::numeric_limits<double>::quiet_NaN(), 0.0});
  return err;
}

PF_Err Host::sequenceSetup() {
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  in.sequence_data = nullptr;
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_SEQUENCE_SETUP, &in, &out, nullptr, nullptr, nullptr);
  if (out.sequence_data) sequenceData_ = out.sequence_data;
  return err;
}

PF_Err Host::sequenceSetdown() {
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_SEQUENCE_SETDOWN, &in, &out, nullptr, nullptr, nullptr);
  sequenceData_ = nullptr; // the plug-in disposed of it
  return err;
}

PF_Err Host::sequenceFlatten() {
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_SEQUENCE_FLATTEN, &in, &out, nullptr, nullptr, nullptr);
  if (out.sequence_data) sequenceData_ = out.sequence_data; // the old handle was disposed of
  return err;
}

PF_Err Host::getFlattenedSequenceData(std::vector<uint8_t> *bytes) {
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, &in, &out, nullptr, nullptr, nullptr);
  if (out.sequence_data && out.sequence_data != sequenceData_) {
    CallScope scope(&call);
    const size_t size = handleSize(out.sequence_data);
    const auto *p = static_cast<const uint8_t *>(lockHandle(out.sequence_data));
    if (bytes && p) bytes->assign(p, p + size);
    if (p) unlockHandle(out.sequence_data);
    freeHandle(out.sequence_data);
  }
  return err;
}

PF_Err Host::sequenceResetup(const std::vector<uint8_t> &savedBytes) {
  Call call{this};
  PF_Handle saved = nullptr;
  {
    CallScope scope(&call);
    saved = allocHandle(savedBytes.size());
    void *p = lockHandle(saved);
    if (!savedBytes.empty()) std::memcpy(p, savedBytes.data(), savedBytes.size());
    unlockHandle(saved);
  }
  PF_InData in;
  fillInData(&in, &call);
  in.sequence_data = saved;
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_SEQUENCE_RESETUP, &in, &out, nullptr, nullptr, nullptr);
  CallScope scope(&call);
  if (out.sequence_data && out.sequence_data != saved) {
    // The host drops what the instance held before (for example a flattened
    // copy) and keeps the new record.
    if (sequenceData_) freeHandle(sequenceData_);
    sequenceData_ = out.sequence_data;
  }
  freeHandle(saved); // the host owns what it read from the project
  return err;
}

std::vector<uint8_t> Host::sequenceBytes() const {
  if (!sequenceData_) return {};
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = handles_.find(sequenceData_);
  if (it == handles_.end()) return {};
  const auto *p = static_cast<const uint8_t *>(reinterpret_cast<HandleBlock *>(sequenceData_)->data);
  return std::vector<uint8_t>(p, p + it->second);
}

PF_Err Host::renderClassic(Image &input, Image &output, const PF_LRect *extent) {
  Call call{this};
  call.input = &input;
  call.output = &output;
  PF_InData in;
  fillInData(&in, &call);
  in.extent_hint = extent ? *extent : PF_LRect{0, 0, output.width(), output.height()};
  PF_OutData out{};
  PF_ParamDef **params = paramArray();
  arrayDefs_[0].param_type = PF_Param_LAYER;
  arrayDefs_[0].u.ld = *input.world();
  return enter(PF_Cmd_RENDER, &in, &out, params, output.world(), nullptr);
}

PF_Err Host::preRenderOnly(const SmartRenderOptions &options, PreRenderResult *result) {
  Image layer(layerWidth_, layerHeight_, PF_PixelFormat_ARGB32, 0);
  Image output(layerWidth_, layerHeight_, PF_PixelFormat_ARGB32, 0);
  return runSmart(layer, output, options, result, false);
}

PF_Err Host::renderSmart(Image &input, Image &output, const SmartRenderOptions &options, PreRenderResult *result) {
  return runSmart(input, output, options, result, true);
}

PF_Err Host::runSmart(Image &input, Image &output, const SmartRenderOptions &options, PreRenderResult *result,
                      bool render) {
  Call call{this};
  call.input = &input;
  call.output = &output;
  const PF_EffectWorld *iw = input.world();

  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_PreRenderInput pin{};
  pin.output_request.rect = options.useRequest ? options.request
                                                : PF_LRect{iw->origin_x, iw->origin_y, iw->origin_x + output.width(),
                                                           iw->origin_y + output.height()};
  pin.output_request.field = PF_Field_FRAME;
  pin.output_request.channel_mask = PF_ChannelMask_ARGB;
  pin.bitdepth = bitDepthOf(input.format());
  PF_PreRenderOutput pout{};
  pout.result_rect = options.preRenderResult;
  pout.max_result_rect = options.preRenderMaxResult;
  PF_PreRenderCallbacks pcb{VEMU_HOOK(cbCheckoutLayer, fCheckoutLayer), VEMU_HOOK(cbGuidMixIn, fGuidMixIn)};
  PF_PreRenderExtra pex{&pin, &pout, &pcb};
  PF_Err err = enter(PF_Cmd_SMART_PRE_RENDER, &in, &out, nullptr, nullptr, &pex);
  if (result) {
    result->resultRect = pout.result_rect;
    result->maxResultRect = pout.max_result_rect;
    result->deleteFunctionGiven = pout.delete_pre_render_data_func != nullptr;
  }

  if (render && err == PF_Err_NONE) {
    PF_InData in2;
    fillInData(&in2, &call);
    in2.extent_hint = PF_LRect{0, 0, output.width(), output.height()};
    PF_OutData out2{};
    PF_SmartRenderInput sin{};
    sin.output_request = pin.output_request;
    sin.bitdepth = pin.bitdepth;
    sin.pre_render_data = pout.pre_render_data;
    PF_SmartRenderCallbacks scb{VEMU_HOOK(cbCheckoutLayerPixels, fCheckoutLayerPixels),
                                VEMU_HOOK_GIVES_BACK(cbCheckinLayerPixels, fCheckinLayerPixels),
                                VEMU_HOOK(cbCheckoutOutput, fCheckoutOutput)};
    PF_SmartRenderExtra sex{&sin, &scb};
    err = enter(PF_Cmd_SMART_RENDER, &in2, &out2, nullptr, nullptr, &sex);
  }
  if (call.layerCheckouts != 0) {
    // The host takes back layers the effect did not check in.
    if (err == PF_Err_NONE) noteMisuse("layer pixels left checked out after smart render");
  }
  if (pout.pre_render_data && pout.delete_pre_render_data_func) {
    CallScope scope(&call);
    pout.delete_pre_render_data_func(pout.pre_render_data);
    ++live.preRenderDeletes;
  }
  return err;
}

// ---- results ----

std::string Host::returnMessage() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::string(lastOut_.return_msg, strnlen(lastOut_.return_msg, sizeof lastOut_.return_msg));
}

Counters Host::counters() const {
  Counters c;
  c.suitesAcquired = live.suitesAcquired;
  c.suitesReleased = live.suitesReleased;
  c.handlesMade = live.handlesMade;
  c.handlesDisposed = live.handlesDisposed;
  c.worldsMade = live.worldsMade;
  c.worldsDisposed = live.worldsDisposed;
  c.paramCheckouts = live.paramCheckouts;
  c.paramCheckins = live.paramCheckins;
  c.layerCheckouts = live.layerCheckouts;
  c.layerPixelCheckouts = live.layerPixelCheckouts;
  c.layerPixelCheckins = live.layerPixelCheckins;
  c.outputCheckouts = live.outputCheckouts;
  c.iterateCalls = live.iterateCalls;
  c.rgbToHlsCalls = live.rgbToHlsCalls;
  c.progressCalls = live.progressCalls;
  c.updateParamUICalls = live.updateParamUICalls;
  c.preRenderDeletes = live.preRenderDeletes;
  c.worldCopies = live.worldCopies;
  c.worldCopiesHq = live.worldCopiesHq;
  return c;
}

long Host::liveHandles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<long>(handles_.size());
}

long Host::liveWorlds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<long>(worlds_.size());
}

long Host::outstandingSuites() const { return live.suitesAcquired - live.suitesReleased; }

long Host::outstandingParams() const { return live.paramCheckouts - live.paramCheckins; }

std::string Host::leaks() const {
  std::ostringstream s;
  long handles = liveHandles();
  // The instance's own sequence record is the host's to keep.
  if (sequenceData_) --handles;
  if (handles) s << handles << " handle(s) left; ";
  if (liveWorlds()) s << liveWorlds() << " world(s) left; ";
  if (outstandingSuites()) s << outstandingSuites() << " suite(s) not released; ";
  if (outstandingParams()) s << outstandingParams() << " parameter(s) not checked in; ";
  if (live.layerPixelCheckouts != live.layerPixelCheckins) s << "layer pixels not checked in; ";
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto &h : handleLocks_) {
    if (h.second != 0 && h.first != sequenceData_) {
      s << "a handle left locked; ";
      break;
    }
  }
  return s.str();
}

std::vector<std::string> Host::misuse() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return misuse_;
}

std::vector<std::pair<A_long, A_long>> Host::progressLog() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return progress_;
}

std::vector<ParamUIUpdate> Host::paramUIUpdates() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return uiUpdates_;
}

std::vector<LayerCheckout> Host::layerCheckouts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return layerLog_;
}

std::map<std::string, long> Host::suiteAcquisitions() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return suiteTotal_;
}

void Host::resetLogs() {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.clear();
  uiUpdates_.clear();
  layerLog_.clear();
  misuse_.clear();
}

} // namespace vemu
