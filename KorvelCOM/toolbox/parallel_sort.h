// The toolbox's one sort: a merge sort that runs on the calling thread for small ranges and on worker
// threads for large ones. Every step is bounded by element counts, never by what the comparator answers, so
// the sort stays inside its buffers, ends, and returns a permutation of its input for any comparator at all,
// including those that are not a strict weak order (a VarCmp failure makes the variant order one of those;
// libstdc++'s std::sort and std::stable_sort both run past the range with such a comparator).
//
// Elements travel as plain bytes: the sort neither copies nor frees what they point to. The comparator may
// run on several threads at once and must only read. Ties come out in an unspecified order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

namespace korvel {

// Ranges up to this many elements are sorted on the calling thread.
constexpr std::size_t kSerialSortLimit = 2048;

// Threads a sort of `count` elements uses: 1 up to the serial limit or on a single processor, else the
// processor count (capped by the element count).
unsigned SortThreadCount(std::size_t count);

// Test seam: forces the serial limit and the processor count, so that small inputs take the parallel path
// (or large ones the serial path). Restores the real values when it goes out of scope. Not for concurrent use.
class ScopedSortSplitForTesting {
 public:
  ScopedSortSplitForTesting(std::size_t serial_limit, unsigned processors);
  ~ScopedSortSplitForTesting();
  ScopedSortSplitForTesting(const ScopedSortSplitForTesting&) = delete;
  ScopedSortSplitForTesting& operator=(const ScopedSortSplitForTesting&) = delete;

 private:
  std::size_t saved_limit_;
  unsigned saved_processors_;
};

// The threads of one sort: started once and handed one phase after another (the chunk sorts, each merge
// pass, the final copy), because starting a thread costs about a millisecond under Wine and a sort has
// several phases. Run(task) runs task(0) on the calling thread and task(1) .. task(size() - 1) on the
// members, and returns when all have ended; an exception from a task is rethrown after that. A thread that
// cannot be started makes the team smaller; every member has ended when the team is destroyed.
class SortTeam {
 public:
  explicit SortTeam(unsigned wanted);
  ~SortTeam();
  SortTeam(const SortTeam&) = delete;
  SortTeam& operator=(const SortTeam&) = delete;

  unsigned size() const { return size_; }
  void Run(const std::function<void(unsigned)>& task);

 private:
  struct Shared;
  Shared* shared_;
  unsigned size_ = 1;
};

namespace sort_detail {

constexpr std::size_t kInsertionRun = 24;

template <class T, class Less>
void InsertionSort(T* a, std::size_t n, Less& less) {
  for (std::size_t i = 1; i < n; ++i) {
    T moving = a[i];
    std::size_t j = i;
    for (; j > 0 && less(moving, a[j - 1]); --j) a[j] = a[j - 1];
    a[j] = moving;
  }
}

// Merges src[a, a_end) and src[b, b_end) into dst[out, ...); ties take the left element first.
template <class T, class Less>
void MergeRuns(const T* src, std::size_t a, std::size_t a_end, std::size_t b, std::size_t b_end, T* dst,
               std::size_t out, Less& less) {
  while (a < a_end && b < b_end) {
    if (less(src[b], src[a])) dst[out++] = src[b++];
    else dst[out++] = src[a++];
  }
  if (a < a_end) {
    std::memcpy(static_cast<void*>(dst + out), src + a, (a_end - a) * sizeof(T));
    out += a_end - a;
  }
  if (b < b_end) std::memcpy(static_cast<void*>(dst + out), src + b, (b_end - b) * sizeof(T));
}

// Sorts a[0, n) with scratch[0, n); the result ends in a.
template <class T, class Less>
void MergeSort(T* a, T* scratch, std::size_t n, Less& less) {
  for (std::size_t lo = 0; lo < n; lo += kInsertionRun) InsertionSort(a + lo, std::min(kInsertionRun, n - lo), less);
  T* src = a;
  T* dst = scratch;
  for (std::size_t width = kInsertionRun; width < n; width *= 2) {
    for (std::size_t lo = 0; lo < n; lo += 2 * width) {
      std::size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      MergeRuns(src, lo, mid, mid, hi, dst, lo, less);
    }
    std::swap(src, dst);
  }
  if (src != a) std::memcpy(static_cast<void*>(a), src, n * sizeof(T));
}

// How many of the first k outputs of merging a[0, na) with b[0, nb) come from a. Every probe lies inside
// both runs whatever the comparator answers.
template <class T, class Less>
std::size_t CoRank(const T* a, std::size_t na, const T* b, std::size_t nb, std::size_t k, Less& less) {
  std::size_t lo = k > nb ? k - nb : 0, hi = std::min(k, na);
  while (lo < hi) {
    std::size_t mid = lo + (hi - lo) / 2;
    if (!less(b[k - mid - 1], a[mid])) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

struct MergePiece {
  std::size_t a, a_end, b, b_end, out;
};

// One merge pass over sorted runs (boundaries in `runs`) from src into dst, cut into `threads` equal slices
// of the output. The cut points of each pair of runs are forced to move forward in both runs: a comparator
// that is not a strict weak order could otherwise give overlapping pieces and duplicate elements.
template <class T, class Less>
void MergePass(const T* src, T* dst, std::vector<std::size_t>& runs, SortTeam& team, Less& less) {
  const unsigned threads = team.size();
  const std::size_t n = runs.back();
  std::vector<std::vector<MergePiece>> work(threads);
  std::vector<std::size_t> next_runs{0};
  auto slice_end = [&](unsigned t) { return n / threads * (t + 1) + std::min<std::size_t>(n % threads, t + 1); };
  unsigned owner = 0;
  for (std::size_t r = 0; r + 1 < runs.size(); r += 2) {
    std::size_t lo = runs[r], mid = runs[r + 1], hi = r + 2 < runs.size() ? runs[r + 2] : mid;
    std::size_t na = mid - lo, nb = hi - mid;
    std::size_t prev_k = 0, prev_i = 0;
    while (prev_k < hi - lo) {
      while (slice_end(owner) <= lo + prev_k) ++owner;
      std::size_t k = std::min(slice_end(owner), hi) - lo;
      std::size_t i = CoRank(src + lo, na, src + mid, nb, k, less);
      std::size_t low = std::max(prev_i, k > nb ? k - nb : 0);
      std::size_t high = std::min(prev_i + (k - prev_k), na);
      i = std::min(std::max(i, low), high);
      work[owner].push_back({lo + prev_i, lo + i, mid + (prev_k - prev_i), mid + (k - i), lo + prev_k});
      prev_k = k;
      prev_i = i;
    }
    next_runs.push_back(hi);
  }
  team.Run([&](unsigned t) {
    for (const MergePiece& p : work[t]) MergeRuns(src, p.a, p.a_end, p.b, p.b_end, dst, p.out, less);
  });
  runs.swap(next_runs);
}

template <class T>
void ParallelCopy(T* dst, const T* src, std::size_t n, SortTeam& team) {
  const unsigned threads = team.size();
  team.Run([&](unsigned t) {
    std::size_t lo = n * t / threads, hi = n * (t + 1) / threads;
    std::memcpy(static_cast<void*>(dst + lo), src + lo, (hi - lo) * sizeof(T));
  });
}

}  // namespace sort_detail

// Sorts data[0, n) by `less` (a test whether its first argument goes before its second). Throws
// std::bad_alloc, with the range untouched, when the work buffer cannot be had.
template <class T, class Less>
void ParallelSort(T* data, std::size_t n, Less less) {
  static_assert(std::is_trivially_copyable<T>::value, "sorted elements move as plain bytes");
  if (n < 2) return;
  std::unique_ptr<T[]> scratch(new T[n]);
  SortTeam team(SortThreadCount(n));
  const unsigned threads = team.size();
  if (threads < 2) {
    sort_detail::MergeSort(data, scratch.get(), n, less);
    return;
  }
  std::vector<std::size_t> runs;
  for (unsigned t = 0; t <= threads; ++t) runs.push_back(n * t / threads);
  team.Run([&](unsigned t) {
    std::size_t lo = runs[t], hi = runs[t + 1];
    sort_detail::MergeSort(data + lo, scratch.get() + lo, hi - lo, less);
  });
  T* src = data;
  T* dst = scratch.get();
  while (runs.size() > 2) {
    sort_detail::MergePass(src, dst, runs, team, less);
    std::swap(src, dst);
  }
  if (src != data) sort_detail::ParallelCopy(data, src, n, team);
}

}  // namespace korvel
