#include "host/xl_records.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "host/host_call.h"

using namespace korvel::xll;

namespace {

XLOPER12* NewCountedString(const wchar_t* text, size_t length) {
  auto* record = new (std::nothrow) XLOPER12{};
  if (!record) return nullptr;
  auto* buffer = new (std::nothrow) wchar_t[kXlStrBufferUnits];
  if (!buffer) {
    delete record;
    return nullptr;
  }
  // The record holds no more than 32767 characters: a longer text is cut before it is copied, so the copy
  // can never run past the buffer.
  const size_t kept = std::min<size_t>(length, kMaxXlChars);
  if (kept) std::memcpy(buffer + 1, text, kept * sizeof(wchar_t));
  buffer[kept + 1] = L'\0';
  buffer[0] = static_cast<wchar_t>(kept);
  record->val.str = buffer;
  record->xltype = xltypeStr | xlbitDLLFree;
  return record;
}

void SetMissing(XLOPER12* record) {
  std::memset(&record->val, 0, sizeof(record->val));
  record->xltype = xltypeMissing;
}

}  // namespace

namespace {

// Spare records with text room: a result whose text was in its room, handed back, waits here for the next
// result instead of going back to the runtime's heap, whose one lock the host's calculation threads would
// queue on for every cell. The slots are shared by every thread (each thread keeps to its own slot, so they
// seldom meet on one), not owned by a thread: a record handed back on another thread, or after the thread
// that made it has ended, is just a spare, and no thread's end leaves one behind. What the slots hold when
// the add-in is unloaded goes back to the heap.
constexpr unsigned kSpareSlots = 16;
struct alignas(64) SpareSlot {
  std::atomic<XLOPER12*> record{nullptr};
};
SpareSlot g_spares[kSpareSlots];
std::atomic<unsigned> g_next_slot{0};
// A plain number: a thread-local object with a destructor is destroyed after its storage is freed (MinGW).
thread_local unsigned t_slot_plus_one = 0;

SpareSlot& ThreadSlot() {
  if (!t_slot_plus_one) t_slot_plus_one = g_next_slot.fetch_add(1, std::memory_order_relaxed) % kSpareSlots + 1;
  return g_spares[t_slot_plus_one - 1];
}

struct SparesAtUnload {
  ~SparesAtUnload() { korvel::xll::ReleaseSpareRecords(); }
} g_spares_at_unload;

}  // namespace

namespace korvel::xll {

XLOPER12* NewXLNumWithTextRoom(double value) {
  void* block = ThreadSlot().record.exchange(nullptr, std::memory_order_acquire);
  if (!block) block = ::operator new(sizeof(XLOPER12) + kRoomTextUnits * sizeof(wchar_t), std::nothrow);
  if (!block) return nullptr;
  auto* record = new (block) XLOPER12{};
  record->xltype = xltypeNum | xlbitDLLFree;
  record->val.num = value;
  return record;
}

void ReleaseSpareRecords() noexcept {
  for (SpareSlot& slot : g_spares) ::operator delete(slot.record.exchange(nullptr, std::memory_order_acquire));
}

void DeleteRoomRecord(XLOPER12* record) noexcept {
  if (!record) return;
  try {
    FreeXLOper(record);
  } catch (...) {
  }
  XLOPER12* empty = nullptr;
  if (ThreadSlot().record.compare_exchange_strong(empty, record, std::memory_order_release)) return;
  ::operator delete(record);
}

}  // namespace korvel::xll

extern "C" void DeleteXLRecord(XLOPER12* record) noexcept {
  if (!record) return;
  // A record whose text is in its room is one with room (ResultRecord hands no other kind to the host).
  if ((record->xltype & ~xlbitDLLFree) == xltypeStr && record->val.str == TextRoomOf(record))
    return DeleteRoomRecord(record);
  try {
    FreeXLOper(record);
  } catch (...) {
  }
  // Unsized: a record given back without its text may still be one with room.
  ::operator delete(record);
}

extern "C" XLOPER12* NewXLStr(const wchar_t* text) {
  return NewCountedString(text ? text : L"", text ? std::wcslen(text) : 0);
}

extern "C" XLOPER12* NewXLStrFromWString(std::wstring& text) {
  XLOPER12* record = NewCountedString(text.data(), text.size());
  std::wstring().swap(text);
  return record;
}

extern "C" XLOPER12* NewXLArray(int rows, int columns) {
  if (rows <= 0 || columns <= 0) return nullptr;
  const size_t n = static_cast<size_t>(rows) * static_cast<size_t>(columns);
  auto* record = new (std::nothrow) XLOPER12{};
  if (!record) return nullptr;
  auto* elements = new (std::nothrow) XLOPER12[n];
  if (!elements) {
    delete record;
    return nullptr;
  }
  for (size_t i = 0; i < n; ++i) SetMissing(&elements[i]);
  record->val.array.lparray = elements;
  record->val.array.rows = rows;
  record->val.array.columns = columns;
  record->xltype = xltypeMulti | xlbitDLLFree;
  return record;
}

extern "C" XLOPER12* NewXLAreaRef(int count, XlSheetId sheet) {
  if (count < 0 || count > 0xFFFF) return nullptr;
  auto* record = new (std::nothrow) XLOPER12{};
  if (!record) return nullptr;
  const size_t bytes = offsetof(XlAreaList, reftbl) + sizeof(XlArea) * std::max(count, 1);
  auto* list = static_cast<XlAreaList*>(::operator new(bytes, std::nothrow));
  if (!list) {
    delete record;
    return nullptr;
  }
  std::memset(list, 0, bytes);
  list->count = static_cast<WORD>(count);
  record->val.mref.lpmref = list;
  record->val.mref.idSheet = sheet;
  record->xltype = xltypeRef | xlbitDLLFree;
  return record;
}

extern "C" long long CellCount(const XLOPER12* record) {
  if (!record) return 0;
  auto cells = [](const XlArea& a) {
    return (static_cast<long long>(a.rwLast) - a.rwFirst + 1) * (static_cast<long long>(a.colLast) - a.colFirst + 1);
  };
  if (record->xltype & xltypeSRef) return cells(record->val.sref.ref);
  if (record->xltype & xltypeRef) {
    const XlAreaList* list = record->val.mref.lpmref;
    if (!list) return 0;
    long long total = 0;
    for (WORD i = 0; i < list->count; ++i) total += cells(list->reftbl[i]);
    return total;
  }
  return 0;
}

extern "C" void FreeXLOper(XLOPER12* record) {
  if (!record) return;
  if (record->xltype & xlbitXLFree) {
    XLOPER12* arg = record;
    Excel12v(xlFree, nullptr, 1, &arg);
    // The host's memory is gone: a record that kept its old contents and flag would hand them back a
    // second time on the next release.
    SetMissing(record);
    return;
  }
  switch (record->xltype & ~xlbitDLLFree) {
    case xltypeStr:
      // A text in the record's own room goes with the record.
      if (record->val.str != TextRoomOf(record)) delete[] record->val.str;
      break;
    case xltypeBigData:
      delete[] record->val.bigdata.h.lpbData;
      break;
    case xltypeRef:
      ::operator delete(record->val.mref.lpmref);
      break;
    case xltypeMulti: {
      XLOPER12* elements = record->val.array.lparray;
      if (elements) {
        const long long n = static_cast<long long>(record->val.array.rows) * record->val.array.columns;
        for (long long i = 0; i < n; ++i) FreeXLOper(&elements[i]);
        delete[] elements;
      }
      break;
    }
    default:
      break;
  }
  SetMissing(record);
}
