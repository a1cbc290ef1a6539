// The effect session, and the process-wide global setup that all sessions
// share.
#include "EffectSession.h"

#include <clocale>
#include <mutex>

namespace vemu {

namespace {

// What all sessions share. Set-up commands change the plug-in's process-wide
// state (its filter object, parameter table and settings section), so they
// are sent one at a time under the mutex, which also guards the count of
// sessions that use the global setup and the host it was sent through.
struct Shared {
  std::mutex setupMutex;
  int globalUsers = 0;
  std::unique_ptr<Host> globalHost;
};
Shared &TheShared() {
  static Shared shared;
  return shared;
}

// The plug-in reads stored defaults under the user's locale, as it sets it on
// its first call; the process gets its own locale back afterwards, so that
// the number parsing and printing of the program around the plug-in do not
// change under it.
class UserLocaleScope {
 public:
  UserLocaleScope() {
    const char *current = std::setlocale(LC_ALL, nullptr);
    saved_ = current ? current : "C";
    std::setlocale(LC_ALL, "");
  }
  ~UserLocaleScope() { std::setlocale(LC_ALL, saved_.c_str()); }

 private:
  std::string saved_;
};

} // namespace

EffectSession::EffectSession(PF_FilterProc entry, int threads) : entry_(entry), host_(std::make_unique<Host>(entry)) {
  if (threads > 0) host_->setThreads(threads);
  // The tool and the frei0r edition are hosts for real work: new worlds are
  // not filled with the tests' marker pattern, as a real host's are not.
  host_->setMarkNewWorlds(false);
}

EffectSession::~EffectSession() {
  Shared &shared = TheShared();
  std::lock_guard<std::mutex> lock(shared.setupMutex);
  if (sequenceSetUp_) host_->sequenceSetdown();
  // The session's host goes before the global setup it relies on.
  host_.reset();
  if (usesGlobal_ && --shared.globalUsers == 0) {
    shared.globalHost->globalSetdown();
    shared.globalHost.reset();
  }
}

PF_Err EffectSession::setUp() {
  Shared &shared = TheShared();
  std::lock_guard<std::mutex> lock(shared.setupMutex);
  UserLocaleScope locale;
  if (shared.globalUsers == 0) {
    auto global = std::make_unique<Host>(entry_);
    global->setThreads(1);
    const PF_Err err = global->globalSetup();
    if (err != PF_Err_NONE) {
      globalMessage_ = global->returnMessage();
      return err;
    }
    shared.globalHost = std::move(global);
  }
  ++shared.globalUsers;
  usesGlobal_ = true;
  PF_Err err = host_->paramsSetup();
  if (err == PF_Err_NONE) err = host_->sequenceSetup();
  sequenceSetUp_ = err == PF_Err_NONE;
  return err;
}

void EffectSession::apply(const ParamValue &value) {
  switch (value.type) {
  case PF_Param_POPUP: host_->setPopup(value.index, static_cast<A_long>(value.number)); break;
  case PF_Param_FLOAT_SLIDER: host_->setFloat(value.index, value.number); break;
  case PF_Param_CHECKBOX: host_->setCheckbox(value.index, value.number != 0.0); break;
  case PF_Param_COLOR: host_->setColor(value.index, value.color.red, value.color.green, value.color.blue); break;
  case PF_Param_POINT: host_->setPoint(value.index, value.x, value.y); break;
  default: break;
  }
}

PF_Err EffectSession::render(Image &input, Image &output) {
  host_->setLayerSize(input.width(), input.height());
  input.setOrigin(0, 0);
  return host_->renderSmart(input, output);
}

std::string EffectSession::describe(const std::string &what, PF_Err err) const {
  std::string message = what + " (error " + std::to_string(err);
  const std::string text = usesGlobal_ ? host_->returnMessage() : globalMessage_;
  if (!text.empty()) message += ": " + text;
  return message + ")";
}

} // namespace vemu
