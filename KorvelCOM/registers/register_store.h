// The process-wide register stores: 256 integers and 256 floats, shared by every object of a class.
#pragma once

#include <windows.h>
#include <gmp.h>

namespace korvel {

constexpr int kRegisterCount = 256;

// One lock per store. Objects of a class live in different apartments and reach the same registers; the
// library frees and reallocates a register's limbs while it writes it, so a member that ran beside another
// on the same store could free what the other still reads. Every member that touches a store holds its
// lock from start to end, which also makes each member's result one that some serial order gives.
// Recursive: a member may call another member of its own object.
class StoreLock {
 public:
  StoreLock() { InitializeCriticalSection(&section_); }
  ~StoreLock() { DeleteCriticalSection(&section_); }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;
  void Enter() { EnterCriticalSection(&section_); }
  void Leave() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class StoreScope {
 public:
  explicit StoreScope(StoreLock& lock) : lock_(lock) { lock_.Enter(); }
  ~StoreScope() { lock_.Leave(); }
  StoreScope(const StoreScope&) = delete;
  StoreScope& operator=(const StoreScope&) = delete;

 private:
  StoreLock& lock_;
};

class IntegerStore {
 public:
  IntegerStore();
  ~IntegerStore();
  IntegerStore(const IntegerStore&) = delete;
  IntegerStore& operator=(const IntegerStore&) = delete;
  mpz_ptr operator[](BYTE index) { return registers_[index]; }
  StoreLock& lock() { return lock_; }
  // Every register back to its state at load (0, no storage beyond the library's minimum); the caller
  // holds the lock.
  void ReturnToLoadState();

 private:
  StoreLock lock_;
  mpz_t* registers_;
};

class FloatStore {
 public:
  FloatStore();
  ~FloatStore();
  FloatStore(const FloatStore&) = delete;
  FloatStore& operator=(const FloatStore&) = delete;
  mpf_ptr operator[](BYTE index) { return registers_[index]; }
  StoreLock& lock() { return lock_; }
  // Every register back to 0 at the library's default precision, as at load; the caller holds the lock.
  void ReturnToLoadState();

 private:
  StoreLock lock_;
  mpf_t* registers_;
};

// `Clear`'s choice of registers: the one named by 0 to 255, every register for any other number.
template <class Action>
void ForOneOrAllRegisters(LONG index, Action&& action) {
  if (static_cast<unsigned long>(index) <= 255) {
    action(static_cast<BYTE>(index));
    return;
  }
  for (int i = 0; i < kRegisterCount; ++i) action(static_cast<BYTE>(i));
}

IntegerStore& IntegerRegisters();
FloatStore& FloatRegisters();

}  // namespace korvel
