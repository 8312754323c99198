// The process-wide register stores: 256 integers and 256 floats, shared by every object of a class.
#pragma once

#include <windows.h>
#include <gmp.h>

namespace korvel {

constexpr int kRegisterCount = 256;

class IntegerStore {
 public:
  IntegerStore();
  ~IntegerStore();
  IntegerStore(const IntegerStore&) = delete;
  IntegerStore& operator=(const IntegerStore&) = delete;
  mpz_ptr operator[](BYTE index) { return registers_[index]; }

 private:
  mpz_t* registers_;
};

class FloatStore {
 public:
  FloatStore();
  ~FloatStore();
  FloatStore(const FloatStore&) = delete;
  FloatStore& operator=(const FloatStore&) = delete;
  mpf_ptr operator[](BYTE index) { return registers_[index]; }

 private:
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
