// The shipped add-in loaded, opened, removed and unloaded many times in one process, as a host that opens and
// removes it does: a cycle must leave nothing of the add-in behind, neither thread-storage indexes of its
// static runtime, nor handles, nor private memory, nor a sink that the host still calls, also when the host
// refuses the removal's Unadvise.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "host.h"

namespace {

using namespace korvel::standin;

std::wstring ShippedPath() {
  std::wstring out = L"Z:" + std::wstring(KORVEL_XLL);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

int FreeTlsSlots() {
  std::vector<DWORD> taken;
  for (DWORD index; (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(index);
  for (DWORD index : taken) TlsFree(index);
  return static_cast<int>(taken.size());
}

// Open handles of the process, found by asking after every handle value in turn (Wine's handle count is
// not kept).
int OpenHandles() {
  int n = 0;
  for (ULONG_PTR value = 4; value < 0x20000; value += 4) {
    DWORD flags = 0;
    n += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
  }
  return n;
}

// Committed private memory of the process, summed over its regions (Wine's own process counters do not
// follow the heap).
size_t PrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region{};
  const char* at = nullptr;
  while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

struct Snapshot {
  size_t private_bytes;
  int handles;
  int free_tls;
};
Snapshot Take() { return {PrivateBytes(), OpenHandles(), FreeTlsSlots()}; }

// The host's records of calls, registrations, boxes and shell runs, which would otherwise grow with the
// cycles; its object model stays.
void ClearRecords(Host& host) {
  host.api().Reset();
  host.ui().Reset();
  host.model().ClearInvokes();
}

TEST(ShippedAddInCycles, TwoThousandOpenRemoveUnloadCyclesLeaveNothingBehind) {
  constexpr int kCycles = 2000;
  constexpr int kSettled = 200;  // the host's own records and the heaps have found their size by then
  constexpr size_t kMaxGrowth = 1u << 20;
  // One host for all cycles, as a host process that opens and removes the add-in keeps its Application.
  Host& host = Host::Get();
  host.Reset(HostStart::kOneWorkbook);
  // The host keeps the memory of every object it released, to catch late calls: here that would be the
  // growth measured.
  struct FreeReleased {
    FreeReleased() { HostObject::set_free_released(true); }
    ~FreeReleased() { HostObject::set_free_released(false); }
  } free_released;
  ApplicationEvents& events = *host.model().events();
  const LONG app_refs = host.application()->refs();
  Snapshot settled{};
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    ClearRecords(host);
    ASSERT_NE(host.LoadAddIn(ShippedPath()), nullptr) << "cycle " << cycle << ", error " << GetLastError();
    auto open = host.Export<int(__stdcall*)()>("xlAutoOpen");
    auto remove = host.Export<int(__stdcall*)()>("xlAutoRemove");
    ASSERT_TRUE(open && remove);
    ASSERT_EQ(open(), 1);
    ASSERT_EQ(events.advised().size(), 1u) << "cycle " << cycle;
    const bool refused = cycle % 10 == 0;
    if (refused) events.Fail(ApplicationEvents::Step::kUnadvise, E_FAIL, 1);
    remove();
    // A refused Unadvise leaves the host holding the sink: the unload asks again.
    ASSERT_EQ(events.advised().size(), refused ? 1u : 0u) << "cycle " << cycle;
    host.UnloadAddIn();
    ASSERT_EQ(GetModuleHandleW(ShippedPath().c_str()), nullptr) << "the add-in stays loaded, cycle " << cycle;
    ASSERT_TRUE(events.advised().empty()) << "the host still holds a sink of the freed add-in, cycle " << cycle;
    ASSERT_EQ(host.application()->refs(), app_refs) << "cycle " << cycle;
    if (cycle == kSettled) settled = Take();
  }
  const Snapshot end = Take();
  EXPECT_LE(end.private_bytes, settled.private_bytes + kMaxGrowth)
      << "private memory grew by " << (end.private_bytes - settled.private_bytes) << " bytes in "
      << kCycles - kSettled << " cycles";
  EXPECT_EQ(end.handles, settled.handles);
  EXPECT_EQ(end.free_tls, settled.free_tls);
}

}  // namespace
