#include "registers/register_store.h"

namespace korvel {

IntegerStore::IntegerStore() : registers_(new mpz_t[kRegisterCount]) {
  for (int i = 0; i < kRegisterCount; ++i) mpz_init(registers_[i]);
}

IntegerStore::~IntegerStore() {
  for (int i = 0; i < kRegisterCount; ++i) mpz_clear(registers_[i]);
  delete[] registers_;
}

// Each fresh number is made before the old one goes, so that a failed allocation leaves every register
// whole (either old or fresh).
void IntegerStore::ReturnToLoadState() {
  for (int i = 0; i < kRegisterCount; ++i) {
    mpz_t fresh;
    mpz_init(fresh);
    mpz_swap(fresh, registers_[i]);
    mpz_clear(fresh);
  }
}

FloatStore::FloatStore() : registers_(new mpf_t[kRegisterCount]) {
  for (int i = 0; i < kRegisterCount; ++i) mpf_init(registers_[i]);
}

FloatStore::~FloatStore() {
  for (int i = 0; i < kRegisterCount; ++i) mpf_clear(registers_[i]);
  delete[] registers_;
}

void FloatStore::ReturnToLoadState() {
  for (int i = 0; i < kRegisterCount; ++i) {
    mpf_t fresh;
    mpf_init(fresh);
    mpf_swap(fresh, registers_[i]);
    mpf_clear(fresh);
  }
}

}  // namespace korvel
