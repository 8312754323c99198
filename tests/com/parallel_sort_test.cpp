// The parallel sort on its own: the order against the standard library's sort of the same keys, the
// switch between the calling thread and worker threads, and bounds, termination and permutation with
// comparators that are not a strict weak order.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "toolbox/parallel_sort.h"

namespace korvel::test {
namespace {

struct Item {
  int key;
  std::uint32_t id;
};

constexpr std::uint32_t kGuard = 0xFFFFFFFFu;

std::vector<Item> RandomItems(std::size_t n, int key_range, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Item> items(n);
  for (std::size_t i = 0; i < n; ++i) items[i] = {static_cast<int>(random() % key_range), static_cast<std::uint32_t>(i)};
  return items;
}

void ExpectPermutation(const std::vector<Item>& items, std::size_t n) {
  std::vector<std::uint32_t> ids;
  for (const Item& item : items) ids.push_back(item.id);
  std::sort(ids.begin(), ids.end());
  for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(i, ids[i]) << "not a permutation at " << i;
}

struct SplitCase {
  std::size_t n;
  std::size_t serial_limit;
  unsigned processors;
};

TEST(ParallelSort, OrdersLikeTheStandardSortOnBothPaths) {
  const SplitCase cases[] = {
      {0, 2048, 8},     {1, 2048, 8},   {2, 2048, 8},     {23, 2048, 8},   {25, 2048, 8},
      {2048, 2048, 8},  {2049, 2048, 8}, {2, 0, 2},        {3, 0, 16},      {100, 0, 2},
      {101, 0, 3},      {1000, 0, 7},   {4099, 0, 8},     {100000, 2048, 8}, {100000, 0, 5},
      {100000, 2048, 1},
  };
  for (const SplitCase& c : cases) {
    for (int key_range : {3, 1 << 30}) {
      ScopedSortSplitForTesting split(c.serial_limit, c.processors);
      std::vector<Item> items = RandomItems(c.n, key_range, static_cast<unsigned>(c.n * 31 + key_range));
      std::vector<int> expected;
      for (const Item& item : items) expected.push_back(item.key);
      std::sort(expected.begin(), expected.end());
      ParallelSort(items.data(), items.size(), [](const Item& a, const Item& b) { return a.key < b.key; });
      std::vector<int> keys;
      for (const Item& item : items) keys.push_back(item.key);
      ASSERT_EQ(expected, keys) << "n=" << c.n << " limit=" << c.serial_limit << " processors=" << c.processors;
      ExpectPermutation(items, c.n);
      // Descending through the same primitive.
      ParallelSort(items.data(), items.size(), [](const Item& a, const Item& b) { return a.key > b.key; });
      std::reverse(expected.begin(), expected.end());
      keys.clear();
      for (const Item& item : items) keys.push_back(item.key);
      ASSERT_EQ(expected, keys) << "descending, n=" << c.n;
    }
  }
}

TEST(ParallelSort, SwitchesToWorkerThreadsAboveTheSerialLimit) {
  {
    ScopedSortSplitForTesting split(kSerialSortLimit, 8);
    EXPECT_EQ(1u, SortThreadCount(2048));
    EXPECT_EQ(8u, SortThreadCount(2049));
  }
  {
    ScopedSortSplitForTesting split(kSerialSortLimit, 1);
    EXPECT_EQ(1u, SortThreadCount(1000000));
  }
  {
    ScopedSortSplitForTesting split(0, 8);
    EXPECT_EQ(3u, SortThreadCount(3));
  }
  // Without the seam the machine's own processor count decides.
  unsigned hardware = std::thread::hardware_concurrency();
  EXPECT_EQ(hardware >= 2 ? hardware : 1u, SortThreadCount(2049));
  EXPECT_EQ(1u, SortThreadCount(2048));

  // Which threads the comparator actually ran on.
  auto threads_used = [](std::size_t n) {
    std::mutex lock;
    std::set<DWORD> seen;
    std::vector<Item> items = RandomItems(n, 1 << 20, 7);
    ParallelSort(items.data(), items.size(), [&](const Item& a, const Item& b) {
      std::lock_guard<std::mutex> hold(lock);
      seen.insert(GetCurrentThreadId());
      return a.key < b.key;
    });
    return seen;
  };
  ScopedSortSplitForTesting split(kSerialSortLimit, 4);
  std::set<DWORD> at_limit = threads_used(2048);
  EXPECT_EQ(1u, at_limit.size());
  EXPECT_EQ(1u, at_limit.count(GetCurrentThreadId()));
  EXPECT_GT(threads_used(2049).size(), 1u);
}

// Comparators a sort may meet: none of these is a strict weak order.
struct Wild {
  const char* name;
  bool (*less)(const Item&, const Item&);
};

std::uint32_t Mix(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  return x ^ (x >> 16);
}

const Wild kWild[] = {
    {"always true", [](const Item&, const Item&) { return true; }},
    {"always false", [](const Item&, const Item&) { return false; }},
    {"not strict (<=)", [](const Item& a, const Item& b) { return a.key <= b.key; }},
    {"arbitrary answers", [](const Item& a, const Item& b) { return (Mix(a.id * 2654435761u ^ Mix(b.id)) & 1) != 0; }},
    // A failing comparison counts as less both ways, as a VarCmp failure does in the variant order.
    {"less both ways for some", [](const Item& a, const Item& b) { return a.key % 7 == 0 || b.key % 7 == 0 || a.key < b.key; }},
};

TEST(ParallelSort, AnyComparatorStaysInBoundsEndsAndPermutes) {
  const SplitCase cases[] = {{100, 2048, 8}, {2048, 2048, 8}, {2049, 2048, 8}, {3000, 0, 3}, {100000, 2048, 8}};
  for (const Wild& wild : kWild) {
    for (const SplitCase& c : cases) {
      ScopedSortSplitForTesting split(c.serial_limit, c.processors);
      // The range sits between guard elements; the comparator reports any element it sees that is not
      // one of the range's own.
      const std::size_t guard = 64;
      std::vector<Item> block = RandomItems(c.n + 2 * guard, 50, static_cast<unsigned>(c.n));
      for (std::size_t i = 0; i < c.n; ++i) block[guard + i].id = static_cast<std::uint32_t>(i);
      for (std::size_t i = 0; i < guard; ++i) block[i].id = block[guard + c.n + i].id = kGuard;
      std::atomic<bool> foreign{false};
      const std::size_t n = c.n;
      ParallelSort(block.data() + guard, n, [&](const Item& a, const Item& b) {
        if (a.id >= n || b.id >= n) foreign = true;
        return wild.less(a, b);
      });
      EXPECT_FALSE(foreign) << wild.name << ", n=" << c.n;
      for (std::size_t i = 0; i < guard; ++i) {
        ASSERT_EQ(kGuard, block[i].id) << wild.name;
        ASSERT_EQ(kGuard, block[guard + c.n + i].id) << wild.name;
      }
      ExpectPermutation(std::vector<Item>(block.begin() + guard, block.end() - guard), c.n);
    }
  }
}

}  // namespace
}  // namespace korvel::test
