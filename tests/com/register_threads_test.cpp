// Two apartments at once on one register store: each thread has its own object, as two single-threaded
// apartments of a host would, and both hammer the same registers for a while. The process must live, and
// every value read must be one that some serial order of the calls gives.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace korvel::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kHammerTime = std::chrono::milliseconds(2000);

// n! in decimal, by schoolbook multiplication of a digit vector: a source independent of the library.
std::wstring DecimalFactorial(int n) {
  std::vector<int> digits{1};  // least significant first
  for (int k = 2; k <= n; ++k) {
    int carry = 0;
    for (int& d : digits) {
      int v = d * k + carry;
      d = v % 10;
      carry = v / 10;
    }
    for (; carry; carry /= 10) digits.push_back(carry % 10);
  }
  std::wstring text;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) text += static_cast<wchar_t>(L'0' + *it);
  return text;
}

// Runs `body(object, round)` on its own single-threaded apartment until the time is up or it returns false.
template <class Interface, class Body>
std::thread Apartment(const CLSID& clsid, std::atomic<bool>& stop, std::atomic<int>& failures, Body body) {
  return std::thread([&clsid, &stop, &failures, body] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
      ComPtr<Interface> object = Server::Get().Create<Interface>(clsid);
      if (!object) {
        ++failures;
      } else {
        for (unsigned round = 0; !stop; ++round)
          if (!body(object.get(), round)) {
            ++failures;
            stop = true;
          }
      }
    }
    CoUninitialize();
  });
}

void RunFor(std::atomic<bool>& stop, std::vector<std::thread>& threads) {
  const auto end = Clock::now() + kHammerTime;
  while (!stop && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  stop = true;
  for (std::thread& t : threads) t.join();
}

std::wstring Take(BSTR text) {
  UniqueBstr owned(text);
  return text ? std::wstring(text, SysStringLen(text)) : L"<null>";
}

TEST(RegisterThreads, IntegerStoreSurvivesTwoApartmentsOnOneRegister) {
  const std::wstring big = DecimalFactorial(2000);
  std::atomic<bool> stop{false};
  std::atomic<int> failures{0};
  std::atomic<int> odd_values{0};
  std::vector<std::thread> threads;
  // Writer: a large value that grows the register, then Clear of that register or of all 256 (which frees
  // every register's storage down to one limb).
  threads.push_back(Apartment<IBignumArithmeticInteger>(
      CLSID_BignumArithmeticInteger, stop, failures, [](IBignumArithmeticInteger* n, unsigned round) {
        if (n->Factorial(0, 2000) != S_OK) return false;
        return n->Clear(round % 2 ? 0 : -1) == S_OK;
      }));
  // Reader: copies and reads the register; each text must be 0 or 2000!.
  threads.push_back(Apartment<IBignumArithmeticInteger>(
      CLSID_BignumArithmeticInteger, stop, failures, [&](IBignumArithmeticInteger* n, unsigned) {
        if (n->Clone(1, 0) != S_OK) return false;
        for (BYTE reg : {BYTE{1}, BYTE{0}}) {
          BSTR text = nullptr;
          if (n->get_Bignum(reg, 10, &text) != S_OK) return false;
          std::wstring value = Take(text);
          if (value != L"0" && value != big) ++odd_values;
        }
        return true;
      }));
  RunFor(stop, threads);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(odd_values, 0);
}

TEST(RegisterThreads, FloatStoreSurvivesTwoApartmentsOnOneRegister) {
  std::atomic<bool> stop{false};
  std::atomic<int> failures{0};
  std::atomic<int> odd_values{0};
  std::vector<std::thread> threads;
  // Writer: precision changes that reallocate the register, and values that every precision holds exactly.
  threads.push_back(Apartment<IBignumArithmeticFloat>(
      CLSID_BignumArithmeticFloat, stop, failures, [](IBignumArithmeticFloat* f, unsigned round) {
        if (f->SizeBitsSet(0, round % 2 ? 64 : 200000) != S_OK) return false;
        UniqueBstr text(SysAllocString(round % 3 ? L"1.5" : L"2.25"));
        UniqueBstr separator(SysAllocString(L"."));
        return f->BignumSet(0, text.get(), 10, separator.get()) == S_OK;
      }));
  // Reader: products and sums of the register with itself. Register 0 holds 0, 1.5 or 2.25.
  const std::set<std::wstring> products{L"0", L"2.25E+0", L"5.0625E+0"};
  const std::set<std::wstring> sums{L"0", L"3.0E+0", L"4.5E+0"};
  threads.push_back(Apartment<IBignumArithmeticFloat>(
      CLSID_BignumArithmeticFloat, stop, failures, [&](IBignumArithmeticFloat* f, unsigned) {
        if (f->Multiply(1, 0, 0) != S_OK || f->Sum(2, 0, 0) != S_OK) return false;
        UniqueBstr separator(SysAllocString(L"."));
        BSTR product = nullptr, sum = nullptr;
        if (f->get_Bignum(1, 10, 0, separator.get(), VARIANT_TRUE, &product) != S_OK) return false;
        if (f->get_Bignum(2, 10, 0, separator.get(), VARIANT_TRUE, &sum) != S_OK) return false;
        if (!products.count(Take(product)) || !sums.count(Take(sum))) ++odd_values;
        return true;
      }));
  RunFor(stop, threads);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(odd_values, 0);
}

}  // namespace
}  // namespace korvel::test
