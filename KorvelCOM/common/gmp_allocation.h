// The arithmetic library's memory, and the limits that keep a result allocatable.
#pragma once

#include <cstdint>

namespace korvel {

// Installs allocation functions that throw std::bad_alloc instead of letting the library abort: in-process
// an abort would end the caller's host. The library is built with -fexceptions so the throw reaches the
// member's catch-all.
void InstallGmpAllocation();

// The largest result, in bits, that a member computes. Members whose result would be larger (Power,
// Factorial, Fibonacci, LucNum, products) are refused before the library is called. 2^32 bits (512 MiB per
// number) in the 64-bit build, 2^28 bits (32 MiB) in the 32-bit build, whose address space is 2 GiB.
#ifdef _WIN64
constexpr std::uint64_t kMaxResultBits = std::uint64_t{1} << 32;
#else
constexpr std::uint64_t kMaxResultBits = std::uint64_t{1} << 28;
#endif

}  // namespace korvel
