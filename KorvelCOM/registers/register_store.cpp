#include "registers/register_store.h"

namespace korvel {

IntegerStore::IntegerStore() : registers_(new mpz_t[kRegisterCount]) {
  for (int i = 0; i < kRegisterCount; ++i) mpz_init(registers_[i]);
}

IntegerStore::~IntegerStore() {
  for (int i = 0; i < kRegisterCount; ++i) mpz_clear(registers_[i]);
  delete[] registers_;
}

FloatStore::FloatStore() : registers_(new mpf_t[kRegisterCount]) {
  for (int i = 0; i < kRegisterCount; ++i) mpf_init(registers_[i]);
}

FloatStore::~FloatStore() {
  for (int i = 0; i < kRegisterCount; ++i) mpf_clear(registers_[i]);
  delete[] registers_;
}

}  // namespace korvel
