// The host emulator's core: construction, configuration, the worker threads of
// iterate_generic, direct calls for tests, and the logs of what the plug-in
// showed and reported.
#include "Host.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "HostInternal.h"
#include "ThreadPool.h"

namespace vemu {

thread_local Host::Call *tCall = nullptr;

struct Host::DirectCall::State {
  Call call;
  Call *previous;
};

Host::DirectCall::DirectCall(Host &host) : state_(new State{Call{&host}, tCall}) {
  tCall = &state_->call;
  host.fillInData(&in_, &state_->call);
}

Host::DirectCall::~DirectCall() { tCall = state_->previous; }

Host::Host(PF_FilterProc entry) : entry_(entry), calls_(new std::atomic<long>[FunctionCount()]) {
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

void Host::resetLogs() {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.clear();
  uiUpdates_.clear();
  layerLog_.clear();
  misuse_.clear();
}

} // namespace vemu
