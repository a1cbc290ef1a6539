// The emulator's worker pool.
#include "ThreadPool.h"

namespace vemu {

ThreadPool::ThreadPool(int workers) {
  for (int i = 0; i < workers; ++i) threads_.emplace_back([this, i] { loop(i + 1); });
}

ThreadPool::~ThreadPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread &t : threads_) t.join();
}

void ThreadPool::loop(int threadIndex) {
  for (;;) {
    Item item;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      item = std::move(queue_.front());
      queue_.pop();
    }
    item.fn(threadIndex);
  }
}

void ThreadPool::run(int n, const std::function<void(int, int)> &task) {
  if (n <= 0) return;
  if (threads_.empty() || n == 1) {
    for (int i = 0; i < n; ++i) task(i, 0);
    return;
  }
  std::mutex doneMutex;
  std::condition_variable doneCv;
  int remaining = n - 1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int i = 1; i < n; ++i) {
      queue_.push(Item{[&, i](int threadIndex) {
        task(i, threadIndex);
        std::lock_guard<std::mutex> done(doneMutex);
        if (--remaining == 0) doneCv.notify_one();
      }});
    }
  }
  wake_.notify_all();
  task(0, 0);
  std::unique_lock<std::mutex> lock(doneMutex);
  doneCv.wait(lock, [&] { return remaining == 0; });
}

} // namespace vemu
