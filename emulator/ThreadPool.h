// A fixed pool of worker threads for the emulator's iterate_generic: the
// calling thread runs band 0 and the workers run the others.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace vemu {

class ThreadPool {
 public:
  explicit ThreadPool(int workers);
  ~ThreadPool();
  ThreadPool(const ThreadPool &) = delete;
  ThreadPool &operator=(const ThreadPool &) = delete;

  // Runs task(i, threadIndex) for i = 0 .. n-1 and returns when all are done.
  // Several callers may run jobs at once; their tasks share the queue.
  void run(int n, const std::function<void(int i, int threadIndex)> &task);
  int workers() const { return static_cast<int>(threads_.size()); }

 private:
  struct Item {
    std::function<void(int)> fn;
  };
  void loop(int threadIndex);
  std::mutex mutex_;
  std::condition_variable wake_;
  std::queue<Item> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

} // namespace vemu
