// The host emulator's callbacks and suites: every function the plug-in can
// reach through PF_InData, the basic suite and the smart render extras, each
// entered through a hook that counts its calls and fails them on demand.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "HostInternal.h"

namespace vemu {

namespace {

Host::Call *callOf(PF_ProgPtr effect_ref) { return reinterpret_cast<Host::Call *>(effect_ref); }

Host *currentHost() { return tCall ? tCall->host : nullptr; }

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

// Versions 1 and 3 of the parameter utilities differ only past the entry we provide.
template <typename Suite> Suite makeParamUtils() {
  Suite s{};
  s.PF_UpdateParamUI = VEMU_HOOK(cbUpdateParamUI, fUpdateParamUI);
  return s;
}
PF_ParamUtilsSuite1 gParamUtils1 = makeParamUtils<PF_ParamUtilsSuite1>();
PF_ParamUtilsSuite3 gParamUtils3 = makeParamUtils<PF_ParamUtilsSuite3>();

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

int FunctionCount() { return kFixedFunctions + kSuiteCount; }

std::string FunctionName(int id) {
  if (id < kFixedFunctions) return kFunctionNames[id];
  const SuiteEntry &e = kSuites[id - kFixedFunctions];
  return std::string("AcquireSuite ") + e.name + "/" + std::to_string(e.version);
}

bool FunctionCanFail(const std::string &function) {
  return function != kFunctionNames[fUnlockHandle] && function != kFunctionNames[fDisposeHandle];
}

SPBasicSuite *BasicSuite() { return &gBasicSuite; }

PF_UtilCallbacks *UtilCallbacks() { return &gUtils; }

void SetInteractCallbacks(PF_InteractCallbacks *inter) {
  inter->checkout_param = VEMU_HOOK(cbCheckoutParam, fCheckoutParam);
  inter->checkin_param = VEMU_HOOK_GIVES_BACK(cbCheckinParam, fCheckinParam);
  inter->add_param = VEMU_HOOK(cbAddParam, fAddParam);
  inter->abort = VEMU_HOOK(cbAbort, fAbort);
  inter->progress = VEMU_HOOK(cbProgress, fProgress);
}

PF_PreRenderCallbacks PreRenderCallbacks() {
  return PF_PreRenderCallbacks{VEMU_HOOK(cbCheckoutLayer, fCheckoutLayer), VEMU_HOOK(cbGuidMixIn, fGuidMixIn)};
}

PF_SmartRenderCallbacks SmartRenderCallbacks() {
  return PF_SmartRenderCallbacks{VEMU_HOOK(cbCheckoutLayerPixels, fCheckoutLayerPixels),
                                 VEMU_HOOK_GIVES_BACK(cbCheckinLayerPixels, fCheckinLayerPixels),
                                 VEMU_HOOK(cbCheckoutOutput, fCheckoutOutput)};
}

} // namespace vemu
