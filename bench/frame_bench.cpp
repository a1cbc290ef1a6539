// Whole frames through the entry point: the synthetic cel frame with its four
// colour groups covering the whole frame, at each depth, with the default
// settings and with heavy ones (Blur Amount 100, Softness 50), on one thread
// and on all; a 3840 x 2160 frame; the peak memory of a float 3840 x 2160
// render; and, from the per-chunk times of one single-threaded frame, the
// time of each step and the speed-up predicted for 2 to 32 processors.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <queue>
#include <string>
#include <thread>
#include <vector>

#include "EffectParams.h"
#include "Host.h"
#include "SyntheticFrame.h"
#include "stage/ChunkRecorder.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                 PF_LayerDef *output, void *extra);

namespace {

PF_PixelFormat FormatOf(int depth) {
  return depth == 32 ? PF_PixelFormat_ARGB128 : depth == 16 ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32;
}

// A host with the effect applied to a width x height layer, the scene's four
// groups (registered defaults with the scene's colours and centres, Range 25)
// and the given Blur Amount and Softness (negative: the default).
struct Scene {
  vemu::Host host{&EntryPointFunc};
  vemu::Image input, output;

  Scene(int width, int height, int depth, int threads, double blurAmount, double softness)
      : input(1, 1, FormatOf(depth)), output(width, height, FormatOf(depth)) {
    host.setThreads(threads);
    host.setLayerSize(width, height);
    // A host's pool hands out memory as it is; the marker fill is for tests.
    host.setMarkNewWorlds(false);
    ok = host.globalSetup() == PF_Err_NONE && host.paramsSetup() == PF_Err_NONE &&
         host.sequenceSetup() == PF_Err_NONE;
    const vemu::SyntheticScene scene = vemu::SyntheticCelScene(width, height);
    for (int g = 1; g <= 4 && ok; ++g) {
      vtest::GroupValues v = vtest::SceneGroupValues(scene, g);
      // Range 25 takes the antialiased edges into the groups too: together
      // they cover the whole frame.
      v.range = 25.0;
      if (blurAmount >= 0.0) v.blurAmount = blurAmount;
      if (softness >= 0.0) v.softness = softness;
      vtest::SetGroup(host, g, v);
    }
    input = vemu::ConvertFrame(vemu::SyntheticCelFrame(width, height), FormatOf(depth));
  }
  bool render() { return host.renderSmart(input, output) == PF_Err_NONE; }
  bool ok = false;
};

int AllProcessors() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

// args: depth (8, 16, 32), heavy (0, 1), threads (0: all processors)
void BM_Frame(benchmark::State &state) {
  const int depth = static_cast<int>(state.range(0));
  const bool heavy = state.range(1) != 0;
  const int threads = state.range(2) ? static_cast<int>(state.range(2)) : AllProcessors();
  Scene scene(1920, 1080, depth, threads, heavy ? 100.0 : -1.0, heavy ? 50.0 : -1.0);
  if (!scene.ok) return state.SkipWithError("the effect could not be applied");
  for (auto _ : state) {
    if (!scene.render()) state.SkipWithError("render failed");
    benchmark::ClobberMemory();
  }
  // The time column is the wall-clock time of one frame.
  state.counters["threads"] = threads;
}

BENCHMARK(BM_Frame)
    ->ArgNames({"depth", "heavy", "threads"})
    ->ArgsProduct({{8, 16, 32}, {0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(0.5);

// 3840 x 2160 at Blur Amount 20, all processors. args: depth
void BM_Frame4K(benchmark::State &state) {
  Scene scene(3840, 2160, static_cast<int>(state.range(0)), AllProcessors(), 20.0, -1.0);
  if (!scene.ok) return state.SkipWithError("the effect could not be applied");
  for (auto _ : state) {
    if (!scene.render()) state.SkipWithError("render failed");
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_Frame4K)->ArgNames({"depth"})->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// Peak memory of a process that renders one float 3840 x 2160 frame at Blur
// Amount 20 (input and output images included), measured in a child process
// so that nothing else this benchmark did counts.
void BM_PeakMemory4KFloat(benchmark::State &state) {
  long peakKb = 0;
  for (auto _ : state) {
    const pid_t child = fork();
    if (child == 0) {
      Scene scene(3840, 2160, 32, AllProcessors(), 20.0, -1.0);
      _exit(scene.ok && scene.render() ? 0 : 1);
    }
    int status = 0;
    struct rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return state.SkipWithError("the child render failed");
    peakKb = usage.ru_maxrss;
  }
  state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024.0;
}

BENCHMARK(BM_PeakMemory4KFloat)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// ---- step times and predicted speed-up ----

uint64_t ThreadCpuNanoseconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

// Records, on one thread, the processor time of each step of the driver and
// the time of every chunk of every iteration.
class StepRecorder : public ChunkRecorder {
 public:
  uint64_t now() override { return ThreadCpuNanoseconds(); }
  void step(const char *name) override {
    const uint64_t t = now();
    steps_[current_] += t - last_;
    current_ = name;
    last_ = t;
  }
  int beginIteration() override {
    std::lock_guard<std::mutex> lock(mutex_);
    iterations_.emplace_back();
    return static_cast<int>(iterations_.size()) - 1;
  }
  void endIteration(int) override {}
  void chunk(int iteration, uint64_t time) override {
    std::lock_guard<std::mutex> lock(mutex_);
    iterations_[static_cast<size_t>(iteration)].push_back(time);
    stepChunks_[current_] += time;
  }

  void start() {
    current_ = "frame set-up and check-in";
    last_ = now();
  }
  void finish() { step("frame set-up and check-in"); }
  const std::map<std::string, uint64_t> &steps() const { return steps_; }
  // Processor time of a step outside its iterations.
  uint64_t serial(const std::string &step) const {
    auto it = stepChunks_.find(step);
    return steps_.at(step) - (it == stepChunks_.end() ? 0 : it->second);
  }
  uint64_t total() const {
    uint64_t sum = 0;
    for (const auto &s : steps_) sum += s.second;
    return sum;
  }
  uint64_t chunked() const {
    uint64_t sum = 0;
    for (const auto &it : iterations_)
      for (uint64_t c : it) sum += c;
    return sum;
  }
  // The frame on p processors: the time outside the iterations, plus for
  // each iteration its chunks taken in order by whichever processor is
  // free first.
  double predicted(int p) const {
    double time = static_cast<double>(total() - chunked());
    for (const auto &it : iterations_) {
      std::priority_queue<uint64_t, std::vector<uint64_t>, std::greater<uint64_t>> free;
      for (int i = 0; i < p; ++i) free.push(0);
      uint64_t makespan = 0;
      for (uint64_t c : it) {
        const uint64_t done = free.top() + c;
        free.pop();
        free.push(done);
        makespan = std::max(makespan, done);
      }
      time += static_cast<double>(makespan);
    }
    return time;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, uint64_t> steps_, stepChunks_;
  std::vector<std::vector<uint64_t>> iterations_;
  std::string current_;
  uint64_t last_ = 0;
};

// One frame on one thread with the recorder on: milliseconds of processor
// time per step, the serial part (outside every iteration), and the speed-up
// predicted for 2 to 32 processors. args: depth, heavy
void BM_FrameProfile(benchmark::State &state) {
  const int depth = static_cast<int>(state.range(0));
  const bool heavy = state.range(1) != 0;
  Scene scene(1920, 1080, depth, 1, heavy ? 100.0 : -1.0, heavy ? 50.0 : -1.0);
  if (!scene.ok) return state.SkipWithError("the effect could not be applied");
  if (!scene.render()) return state.SkipWithError("render failed"); // memory first touched here
  std::unique_ptr<StepRecorder> recorder;
  for (auto _ : state) {
    recorder = std::make_unique<StepRecorder>();
    SetChunkRecorder(recorder.get());
    recorder->start();
    const bool ok = scene.render();
    recorder->finish();
    SetChunkRecorder(nullptr);
    if (!ok) state.SkipWithError("render failed");
  }
  const double total = static_cast<double>(recorder->total());
  for (const auto &s : recorder->steps()) {
    state.counters[s.first + " ms"] = static_cast<double>(s.second) / 1e6;
    if (std::getenv("VORTANE_BENCH_SERIAL"))
      state.counters[s.first + " serial ms"] = static_cast<double>(recorder->serial(s.first)) / 1e6;
  }
  state.counters["serial ms"] = (total - static_cast<double>(recorder->chunked())) / 1e6;
  for (int p : {2, 4, 8, 16, 32}) state.counters["x" + std::to_string(p)] = total / recorder->predicted(p);
}

BENCHMARK(BM_FrameProfile)
    ->ArgNames({"depth", "heavy"})
    ->ArgsProduct({{8}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
