#include "support/side_by_side.h"

#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace pss {

namespace {

struct helper {
  std::mutex lock;
  std::condition_variable wake;      // a task has been handed over
  std::condition_variable finished;  // the task has ended
  void (*task)(void*) = nullptr;
  void* context = nullptr;
  bool done = false;
  std::exception_ptr error;
  std::atomic<bool> busy{false};  // a caller owns the helper
  bool stop = false;              // the process is ending
  pid_t process = 0;              // the process whose thread it is
  std::thread thread;
};

void serve(helper* h) {
  std::unique_lock<std::mutex> held(h->lock);
  for (;;) {
    h->wake.wait(held, [h] { return h->task != nullptr || h->stop; });
    if (h->task == nullptr) return;
    void (*task)(void*) = h->task;
    void* context = h->context;
    held.unlock();
    std::exception_ptr error;
    try {
      task(context);
    } catch (...) {
      error = std::current_exception();
    }
    held.lock();
    h->task = nullptr;
    h->error = error;
    h->done = true;
    h->finished.notify_one();
  }
}

helper* started = nullptr;

// At the process's end the helper's thread is stopped and joined, so that
// nothing it holds is left behind; unless the end comes from a task on
// that thread itself, which cannot join itself.
void stop_helper() {
  helper* h = started;
  if (h == nullptr || h->process != getpid()) return;
  if (std::this_thread::get_id() == h->thread.get_id()) {
    h->thread.detach();
    return;
  }
  {
    const std::lock_guard<std::mutex> held(h->lock);
    h->stop = true;
  }
  h->wake.notify_one();
  h->thread.join();
}

// The record lives as long as the process, so that no destructor runs
// while its thread might still use it.
helper* start_helper() {
  try {
    auto owned = std::make_unique<helper>();
    owned->process = getpid();
    owned->thread = std::thread(serve, owned.get());
    started = owned.release();
    std::atexit(stop_helper);
    return started;
  } catch (...) {
    return nullptr;
  }
}

helper* the_helper() {
  static helper* const h = start_helper();
  return h;
}

}  // namespace

void start_side_by_side() {
  the_helper();
}

void run_side_by_side(void (*first)(void*), void (*second)(void*), void* context) {
  helper* h = the_helper();
  bool idle = false;
  // A child forked after the helper started has the record but no thread.
  if (h == nullptr || h->process != getpid() || !h->busy.compare_exchange_strong(idle, true)) {
    first(context);
    second(context);
    return;
  }
  {
    const std::lock_guard<std::mutex> held(h->lock);
    h->task = second;
    h->context = context;
    h->done = false;
  }
  h->wake.notify_one();
  std::exception_ptr mine;
  try {
    first(context);
  } catch (...) {
    mine = std::current_exception();
  }
  std::exception_ptr theirs;
  {
    std::unique_lock<std::mutex> held(h->lock);
    h->finished.wait(held, [h] { return h->done; });
    theirs = h->error;
    h->error = nullptr;
  }
  h->busy = false;
  if (mine) std::rethrow_exception(mine);
  if (theirs) std::rethrow_exception(theirs);
}

}  // namespace pss
