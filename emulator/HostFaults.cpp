// The host emulator's fault injection and counters: faults by kind and by
// function, withheld suites, call and suite counts, misuse and the leak
// report.
#include <sstream>

#include "HostInternal.h"

namespace vemu {

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
  for (int id = 0; id < FunctionCount(); ++id) {
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
  for (int id = 0; id < FunctionCount(); ++id)
    if (calls_[id] > 0) counts[FunctionName(id)] = calls_[id];
  return counts;
}

void Host::resetCallCounts() {
  for (int id = 0; id < FunctionCount(); ++id) calls_[id] = 0;
}

bool Host::canFail(const std::string &function) {
  return FunctionCanFail(function);
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

std::map<std::string, long> Host::suiteAcquisitions() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return suiteTotal_;
}

} // namespace vemu
