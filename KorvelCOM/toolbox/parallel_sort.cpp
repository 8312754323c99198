#include "toolbox/parallel_sort.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace korvel {
namespace {

std::atomic<std::size_t> g_serial_limit{kSerialSortLimit};
// 0: ask the system. MinGW has no Concurrency Runtime; the hardware thread count stands for the
// scheduler's virtual processors.
std::atomic<unsigned> g_processors{0};

unsigned Processors() {
  unsigned forced = g_processors.load();
  return forced ? forced : std::thread::hardware_concurrency();
}

}  // namespace

unsigned SortThreadCount(std::size_t count) {
  unsigned processors = Processors();
  if (count <= g_serial_limit.load() || processors < 2) return 1;
  return count < processors ? static_cast<unsigned>(count) : processors;
}

ScopedSortSplitForTesting::ScopedSortSplitForTesting(std::size_t serial_limit, unsigned processors)
    : saved_limit_(g_serial_limit.exchange(serial_limit)), saved_processors_(g_processors.exchange(processors)) {}

ScopedSortSplitForTesting::~ScopedSortSplitForTesting() {
  g_serial_limit.store(saved_limit_);
  g_processors.store(saved_processors_);
}

struct SortTeam::Shared {
  std::mutex lock;
  std::condition_variable start;
  std::condition_variable done;
  const std::function<void(unsigned)>* task = nullptr;
  unsigned long long phase = 0;  // counts the phases handed out
  unsigned running = 0;          // members still busy with the current phase
  bool stopping = false;
  std::exception_ptr failure;
  std::vector<std::thread> members;

  void Record(std::exception_ptr e) {
    std::lock_guard<std::mutex> hold(lock);
    if (!failure) failure = e;
  }

  void Serve(unsigned index) {
    unsigned long long seen = 0;
    for (;;) {
      const std::function<void(unsigned)>* current;
      {
        std::unique_lock<std::mutex> hold(lock);
        start.wait(hold, [&] { return stopping || phase != seen; });
        if (stopping) return;
        seen = phase;
        current = task;
      }
      try {
        (*current)(index);
      } catch (...) {
        Record(std::current_exception());
      }
      std::lock_guard<std::mutex> hold(lock);
      if (--running == 0) done.notify_one();
    }
  }
};

SortTeam::SortTeam(unsigned wanted) : shared_(new Shared) {
  for (unsigned t = 1; t < wanted; ++t) {
    try {
      shared_->members.emplace_back([this, t] { shared_->Serve(t); });
    } catch (...) {  // no further thread to be had: a smaller team
      break;
    }
    size_ = t + 1;
  }
}

SortTeam::~SortTeam() {
  {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->stopping = true;
  }
  shared_->start.notify_all();
  for (std::thread& member : shared_->members) member.join();
  delete shared_;
}

void SortTeam::Run(const std::function<void(unsigned)>& task) {
  {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->task = &task;
    shared_->running = size_ - 1;
    shared_->failure = nullptr;
    ++shared_->phase;
  }
  shared_->start.notify_all();
  try {
    task(0);
  } catch (...) {
    shared_->Record(std::current_exception());
  }
  std::unique_lock<std::mutex> hold(shared_->lock);
  shared_->done.wait(hold, [&] { return shared_->running == 0; });
  if (shared_->failure) std::rethrow_exception(shared_->failure);
}

}  // namespace korvel
