// The arithmetic library's memory, and the limits that keep a result allocatable.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel {

// Installs allocation functions that throw std::bad_alloc instead of letting the library abort: in-process
// an abort would end the caller's host. The library is built with -fexceptions so the throw reaches the
// member's catch-all.
void InstallGmpAllocation();

// While a scope is open on a thread, every block that the library allocates on that thread belongs to it.
// A failed allocation unwinds out of the middle of a library call: the number being written may then point
// at freed or half-made storage (so it is abandoned, never cleared), and the library's own temporaries are
// never released. Closing the scope frees every block of it that is still held, so that such a call leaks
// nothing. Small blocks of a scope come from an arena in the scope itself (on the caller's stack), given
// back all at once when it closes; larger blocks freed or grown inside the scope leave it as usual. An inner
// scope joins the outer one. Numbers and texts made inside a scope must not outlive it.
class GmpCallScope {
 public:
  GmpCallScope();
  ~GmpCallScope();
  GmpCallScope(const GmpCallScope&) = delete;
  GmpCallScope& operator=(const GmpCallScope&) = delete;

  struct Block;
  // A call of a worksheet function makes a dozen small blocks; on the host's calculation threads each trip
  // to the runtime's heap would wait for its one lock.
  static constexpr size_t kArenaBytes = 8 * 1024;

 private:
  bool outermost_;
  Block* held_ = nullptr;
  size_t arena_used_ = 0;
  alignas(std::max_align_t) unsigned char arena_[kArenaBytes];
  friend struct ScopeAccess;
};

// The largest result, in bits, that a member computes. Members whose result would be larger (Power,
// Factorial, Fibonacci, LucNum, products) are refused before the library is called. 2^32 bits (512 MiB per
// number) in the 64-bit build, 2^28 bits (32 MiB) in the 32-bit build, whose address space is 2 GiB.
#ifdef _WIN64
constexpr std::uint64_t kMaxResultBits = std::uint64_t{1} << 32;
#else
constexpr std::uint64_t kMaxResultBits = std::uint64_t{1} << 28;
#endif

}  // namespace korvel
