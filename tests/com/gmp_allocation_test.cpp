// A failed allocation inside the arithmetic library: the member answers E_OUTOFMEMORY instead of the process
// ending, and no register is left pointing at memory the library freed (its multiplication frees the old
// storage of its destination before it allocates the new one). Runs on the test program's own copy of the
// integer class, whose allocation functions the test can replace.
#include <gtest/gtest.h>

#include <gmp.h>

#include <new>
#include <string>

#include "registers/bignum_integer.h"
#include "common/gmp_allocation.h"
#include "test_support.h"

namespace korvel::test {
namespace {

void* Refuse(size_t) { throw std::bad_alloc(); }
void* RefuseGrowth(void*, size_t, size_t) { throw std::bad_alloc(); }

// Blocks made before the refusal still go back through the installed release function, which knows their
// layout.
class RefusedAllocation {
 public:
  RefusedAllocation() {
    mp_get_memory_functions(nullptr, nullptr, &release_);
    mp_set_memory_functions(Refuse, RefuseGrowth, release_);
  }
  ~RefusedAllocation() { InstallGmpAllocation(); }

 private:
  void (*release_)(void*, size_t) = nullptr;
};

class GmpAllocation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CreateObject<CBignumArithmeticInteger>(nullptr, IID_IBignumArithmeticInteger, n_.put_void()));
    n_->Clear(-1);
  }
  std::wstring Get(BYTE reg) {
    BSTR out = nullptr;
    HRESULT hr = n_->get_Bignum(reg, 16, &out);
    UniqueBstr owned(out);
    return SUCCEEDED(hr) ? std::wstring(out, SysStringLen(out)) : L"<error>";
  }
  ComPtr<IBignumArithmeticInteger> n_;
};

TEST_F(GmpAllocation, FailuresInsideTheLibraryLeaveUsableRegisters) {
  ASSERT_EQ(S_OK, n_->Factorial(1, 3000));  // a few thousand digits: products need new storage
  ASSERT_EQ(S_OK, n_->Factorial(2, 20));
  ASSERT_EQ(S_OK, n_->Clone(3, 2));
  const std::wstring operand = Get(1);
  {
    RefusedAllocation refused;
    EXPECT_EQ(E_OUTOFMEMORY, n_->Multiply(3, 1, 1));   // writes its destination in place
    EXPECT_EQ(E_OUTOFMEMORY, n_->Multiply(1, 1, 1));   // the destination is also the operand
    EXPECT_EQ(E_OUTOFMEMORY, n_->Factorial(4, 5000));
    EXPECT_EQ(E_OUTOFMEMORY, n_->Divide(5, 6, 1, 2));  // results through temporaries
  }
  // The destinations hold 0 now; every register can be used and cleared again.
  EXPECT_EQ(L"0", Get(3));
  EXPECT_EQ(L"0", Get(4));
  EXPECT_EQ(L"0", Get(5));
  EXPECT_EQ(L"0", Get(1));  // register 1 was a destination too
  ASSERT_EQ(S_OK, n_->Factorial(1, 3000));
  EXPECT_EQ(operand, Get(1));
  ASSERT_EQ(S_OK, n_->Multiply(3, 1, 1));
  ASSERT_EQ(S_OK, n_->Divide(5, 6, 3, 1));
  EXPECT_EQ(operand, Get(5));
  EXPECT_EQ(L"0", Get(6));
  EXPECT_EQ(S_OK, n_->Clear(-1));
}

// A call's scope owns only what the library makes inside it: storage made before (a register's) and grown
// inside survives the scope, and a failed allocation inside leaves that storage whole.
TEST(GmpCallScope, StorageMadeOutsideAScopeOutlivesIt) {
  mpz_t outside;
  mpz_init_set_ui(outside, 1);
  {
    GmpCallScope scope;
    mpz_mul_2exp(outside, outside, 100000);  // grows the outside number's storage
    mpz_t inside;
    mpz_init_set(inside, outside);
    mpz_add_ui(inside, inside, 1);
    {
      RefusedAllocation refused;
      EXPECT_THROW(mpz_mul(inside, inside, inside), std::bad_alloc);  // abandoned: the scope frees it
    }
  }
  EXPECT_EQ(mpz_sizeinbase(outside, 2), 100001u);
  mpz_mul_2exp(outside, outside, 1);
  EXPECT_EQ(mpz_scan1(outside, 0), 100001u);
  mpz_clear(outside);
}

}  // namespace
}  // namespace korvel::test
