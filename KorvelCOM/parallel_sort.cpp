#include "parallel_sort.h"

#include <atomic>
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

void RunOnThreads(unsigned threads, const std::function<void(unsigned)>& task) {
  std::exception_ptr failure;
  std::mutex failure_lock;
  auto guarded = [&](unsigned t) {
    try {
      task(t);
    } catch (...) {
      std::lock_guard<std::mutex> hold(failure_lock);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> workers;
  std::vector<unsigned> left_over;
  workers.reserve(threads);
  left_over.reserve(threads);
  for (unsigned t = 1; t < threads; ++t) {
    try {
      workers.emplace_back(guarded, t);
    } catch (...) {  // no thread to be had: the calling thread does the work
      left_over.push_back(t);
    }
  }
  guarded(0);
  for (unsigned t : left_over) guarded(t);
  for (std::thread& w : workers) w.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace korvel
