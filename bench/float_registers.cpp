// Root and the decimal text of a 100,000-bit float register through the server (early-bound) against the
// bare library doing the same work.
#include <gmp.h>

#include <cstdio>
#include <cstring>

#include "bench_support.h"

using namespace korvel;
using namespace korvel::bench;

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HMODULE server = LoadServer();
  ComPtr<IBignumArithmeticFloat> f = Create<IBignumArithmeticFloat>(server, CLSID_BignumArithmeticFloat);
  if (!f) {
    std::printf("cannot create BignumArithmeticFloat from %ls\n", ServerDllPath().c_str());
    return 1;
  }
  const LONG_PTR bits = 100000;
  f->put_SizeBits(1, bits);
  f->put_SizeBits(2, bits);
  UniqueBstr two(SysAllocString(L"2"));
  f->BignumSet(1, two.get(), 10, nullptr);

  mpf_t a, r;
  mpf_init2(a, bits);
  mpf_init2(r, bits);
  mpf_set_ui(a, 2);

  double root_server = Best(20, [&] { f->Root(2, 1); });
  double root_bare = Best(20, [&] { mpf_sqrt(r, a); });

  size_t length_server = 0, length_bare = 0;
  double text_server = Best(10, [&] {
    BSTR text = nullptr;
    f->get_Bignum(2, 10, 0, nullptr, VARIANT_TRUE, &text);
    length_server = SysStringLen(text);
    SysFreeString(text);
  });
  double text_bare = Best(10, [&] {
    mp_exp_t exponent;
    char* digits = mpf_get_str(nullptr, &exponent, 10, 0, r);
    length_bare = std::strlen(digits);
    void (*free_function)(void*, size_t);
    mp_get_memory_functions(nullptr, nullptr, &free_function);
    free_function(digits, length_bare + 1);
  });

  LONG_PTR read_back = 0;
  f->get_SizeBits(2, &read_back);
  std::printf("Square root of 2 in a register of %lld bits (reads back %lld), best of 20\n",
              static_cast<long long>(bits), static_cast<long long>(read_back));
  PrintRow("  Root: server against the bare library", "bare", root_bare, "server", root_server);
  std::printf("Its decimal text, best of 10 (server: %zu characters; bare digit string: %zu)\n", length_server,
              length_bare);
  PrintRow("  get Bignum against mpf_get_str", "bare", text_bare, "server", text_server);
  mpf_clears(a, r, nullptr);
  return 0;
}
