// The add-in's worksheet functions as the host's calculation threads call them: 100,000 MultiplyInteger
// cells of two 60-digit numbers and 2,000 DivideFloat cells at full precision, on 1 and on 8 threads, against
// the bare arithmetic library on one thread; FilterUnicodeChar over 1,000,000 strings against the plain copy
// of each string that the host makes anyway.
#include <gmp.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "host/xl_records.h"
#include "startup/exports.h"

using namespace korvel::bench;
using korvel::xll::XLOPER12;

namespace {

// A host buffer of 32769 units holding a counted text.
std::vector<wchar_t> Counted(const std::string& text) {
  std::vector<wchar_t> b(32769, 0);
  b[0] = static_cast<wchar_t>(text.size());
  for (size_t i = 0; i < text.size(); ++i) b[i + 1] = static_cast<wchar_t>(text[i]);
  return b;
}

std::string Digits(std::mt19937_64& random, size_t n) {
  std::string s(n, '0');
  for (char& c : s) c = static_cast<char>('0' + random() % 10);
  s[0] = static_cast<char>('1' + random() % 9);
  return s;
}

// Runs cells [0, n) split among `threads` threads that start together; the time of the whole.
template <class Cell>
double OnThreads(int threads, size_t n, Cell&& cell) {
  const double start = Now();
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&, t] {
      for (size_t i = t; i < n; i += static_cast<size_t>(threads)) cell(i);
    });
  for (std::thread& th : pool) th.join();
  return Now() - start;
}

void FreeResult(XLOPER12* r) {
  if (r) xlAutoFree12(r);
}

}  // namespace

int main() {
  std::mt19937_64 random(13);
  // 100,000 products of two 60-digit numbers.
  const size_t products = 100000;
  std::vector<std::string> a_text(products), b_text(products);
  std::vector<std::vector<wchar_t>> b_counted(products), a_counted(products);
  std::vector<XLOPER12> a_value(products);
  for (size_t i = 0; i < products; ++i) {
    a_text[i] = Digits(random, 60);
    b_text[i] = Digits(random, 60);
    a_counted[i] = Counted(a_text[i]);
    b_counted[i] = Counted(b_text[i]);
    a_value[i] = XLOPER12{};
    a_value[i].xltype = korvel::xll::xltypeStr;
    a_value[i].val.str = a_counted[i].data();
  }
  auto multiply_cell = [&](size_t i) { FreeResult(MultiplyInteger(&a_value[i], b_counted[i].data(), 0, 0)); };
  auto bare_product = [&](size_t i) {
    mpz_t x, y;
    mpz_inits(x, y, nullptr);
    char text[130];
    mpz_set_str(x, a_text[i].c_str(), 10);
    mpz_set_str(y, b_text[i].c_str(), 10);
    mpz_mul(x, x, y);
    mpz_get_str(text, 10, x);
    mpz_clears(x, y, nullptr);
  };
  OnThreads(8, products, multiply_cell);  // first use of every thread's storage
  const double bare_mul = Best(3, [&] { OnThreads(1, products, bare_product); });
  // The bare library on 8 threads too: how far the platform lets even plain products scale.
  const double bare_mul8 = Best(3, [&] { OnThreads(8, products, bare_product); });
  const double one_mul = Best(3, [&] { OnThreads(1, products, multiply_cell); });
  const double eight_mul = Best(3, [&] { OnThreads(8, products, multiply_cell); });
  // What every result would cost with its record and its text buffer from the runtime's heap, made on the
  // cell's thread and given back through xlAutoFree12 (the add-in keeps spare result blocks instead).
  auto result_blocks = [&](size_t) {
    XLOPER12* volatile record = new XLOPER12{};
    wchar_t* volatile text = new wchar_t[123];
    delete[] text;
    delete record;
  };
  const double one_blocks = Best(3, [&] { OnThreads(1, products, result_blocks); });
  const double eight_blocks = Best(3, [&] { OnThreads(8, products, result_blocks); });

  // 2,000 quotients of 40-digit numbers with every digit of the precision.
  const size_t quotients = 2000;
  std::vector<std::string> n_text(quotients), d_text(quotients);
  std::vector<std::vector<wchar_t>> n_counted(quotients), d_counted(quotients);
  std::vector<wchar_t> no_separator = Counted("");
  for (size_t i = 0; i < quotients; ++i) {
    n_text[i] = Digits(random, 40);
    d_text[i] = Digits(random, 40);
    n_counted[i] = Counted(n_text[i]);
    d_counted[i] = Counted(d_text[i]);
  }
  auto divide_cell = [&](size_t i) {
    FreeResult(DivideFloat(n_counted[i].data(), d_counted[i].data(), 0, no_separator.data()));
  };
  auto bare_quotient = [&](size_t i) {
    mpf_t x, y, q;
    mpf_init2(x, 108673);
    mpf_init2(y, 108673);
    mpf_init2(q, 108673);
    mpf_set_str(x, n_text[i].c_str(), 10);
    mpf_set_str(y, d_text[i].c_str(), 10);
    mpf_div(q, x, y);
    mp_exp_t e;
    std::vector<char> digits(32736);
    mpf_get_str(digits.data(), &e, 10, 32734, q);
    mpf_clear(x);
    mpf_clear(y);
    mpf_clear(q);
  };
  const double bare_div = Best(3, [&] { OnThreads(1, quotients, bare_quotient); });
  const double one_div = Best(3, [&] { OnThreads(1, quotients, divide_cell); });
  const double eight_div = Best(3, [&] { OnThreads(8, quotients, divide_cell); });

  // 1,000,000 strings of 10 to 60 characters, filtered to letters and digits.
  const size_t strings = 1000000;
  std::vector<std::vector<wchar_t>> sources(strings);
  for (auto& s : sources) {
    const size_t n = 10 + random() % 51;
    s.resize(n + 1);
    s[0] = static_cast<wchar_t>(n);
    for (size_t i = 1; i <= n; ++i) s[i] = static_cast<wchar_t>(0x20 + random() % 0x5F);
  }
  std::vector<wchar_t> work(32769), enable = Counted("A-Za-z0-9"), disable = Counted("");
  auto copy_only = [&] {
    for (const auto& s : sources) std::memcpy(work.data(), s.data(), s.size() * sizeof(wchar_t));
  };
  auto copy_and_filter = [&] {
    for (const auto& s : sources) {
      std::memcpy(work.data(), s.data(), s.size() * sizeof(wchar_t));
      FilterUnicodeChar(work.data(), enable.data(), disable.data());
    }
  };
  const double copy = Best(3, copy_only);
  const double filter = Best(3, copy_and_filter);

  std::printf("MultiplyInteger, 100,000 cells of two 60-digit numbers\n");
  PrintRow("  1 thread against the bare library", "bare", bare_mul, "cells", one_mul);
  PrintRow("  8 threads against 1 (speed-up: 1 / ratio)", "1 thread", one_mul, "8 threads", eight_mul);
  PrintRow("  8 threads against the bare library", "bare", bare_mul, "cells", eight_mul);
  PrintRow("  the bare library alone, 1 and 8 threads", "1 thread", bare_mul, "8 threads", bare_mul8);
  PrintRow("  a result's two heap blocks alone, 1 and 8 threads", "1 thread", one_blocks, "8 threads", eight_blocks);
  std::printf("DivideFloat, 2,000 cells at full precision (32734 digits)\n");
  PrintRow("  1 thread against the bare library", "bare", bare_div, "cells", one_div);
  PrintRow("  8 threads against 1 (speed-up: 1 / ratio)", "1 thread", one_div, "8 threads", eight_div);
  PrintRow("  8 threads against the bare library", "bare", bare_div, "cells", eight_div);
  std::printf("FilterUnicodeChar over 1,000,000 strings of 10 to 60 characters ('A-Za-z0-9')\n");
  PrintRow("  copy and filter against a plain copy", "copy", copy, "filter", filter);
  std::printf("speed-up on 8 threads: MultiplyInteger %.2f, DivideFloat %.2f (goal 5)\n", one_mul / eight_mul,
              one_div / eight_div);
  return 0;
}
