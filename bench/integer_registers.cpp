// Cost of one call of a cheap member three ways (late-bound through IDispatch, early-bound through the
// vtable, the bare library call), and Factorial(100000) with its decimal text through the server against
// the bare library.
#include <gmp.h>

#include <cstdio>
#include <cstring>

#include "bench_support.h"

using namespace korvel;
using namespace korvel::bench;

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HMODULE server = LoadServer();
  ComPtr<IBignumArithmeticInteger> n = Create<IBignumArithmeticInteger>(server, CLSID_BignumArithmeticInteger);
  if (!n) {
    std::printf("cannot create BignumArithmeticInteger from %ls\n", ServerDllPath().c_str());
    return 1;
  }
  ComPtr<IDispatch> late;
  n->QueryInterface(IID_IDispatch, late.put_void());
  UniqueBstr seven(SysAllocString(L"7"));
  n->BignumSet(1, seven.get(), 10);
  n->BignumSet(2, seven.get(), 10);

  // Sum of two one-limb registers: the member itself costs next to nothing.
  const int calls = 200000;
  double early = Best(5, [&] {
    for (int i = 0; i < calls; ++i) n->Sum(3, 1, 2);
  }) / calls;

  LPOLESTR name = const_cast<LPOLESTR>(L"Sum");
  DISPID sum_id = 0;
  late->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &sum_id);
  VARIANT args[3];
  for (int i = 0; i < 3; ++i) { VariantInit(&args[i]); V_VT(&args[i]) = VT_UI1; }
  V_UI1(&args[2]) = 3;  // reversed: BignumSet, Bignum1, Bignum2
  V_UI1(&args[1]) = 1;
  V_UI1(&args[0]) = 2;
  DISPPARAMS params{args, nullptr, 3, 0};
  double late_bound = Best(5, [&] {
    for (int i = 0; i < calls; ++i)
      late->Invoke(sum_id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  }) / calls;

  mpz_t a, b, c;
  mpz_init_set_ui(a, 7);
  mpz_init_set_ui(b, 7);
  mpz_init(c);
  double bare = Best(5, [&] {
    for (int i = 0; i < calls; ++i) mpz_add(c, a, b);
  }) / calls;

  std::printf("One call of Sum on one-limb registers (best of 5 runs of %d calls)\n", calls);
  PrintRow("  early-bound against the bare library", "bare", bare, "early", early);
  PrintRow("  late-bound against the bare library", "bare", bare, "late", late_bound);
  PrintRow("  late-bound against early-bound", "early", early, "late", late_bound);

  size_t digits_server = 0, digits_bare = 0;
  double through_server = Best(3, [&] {
    n->Factorial(4, 100000);
    BSTR text = nullptr;
    n->get_Bignum(4, 10, &text);
    digits_server = SysStringLen(text);
    SysFreeString(text);
  });
  double through_library = Best(3, [&] {
    mpz_fac_ui(c, 100000);
    char* text = mpz_get_str(nullptr, 10, c);
    digits_bare = std::strlen(text);
    void (*free_function)(void*, size_t);
    mp_get_memory_functions(nullptr, nullptr, &free_function);
    free_function(text, digits_bare + 1);
  });
  std::printf("Factorial(100000) and its decimal text (%zu digits; bare library: %zu)\n", digits_server, digits_bare);
  PrintRow("  server against the bare library", "bare", through_library, "server", through_server);
  mpz_clears(a, b, c, nullptr);
  return 0;
}
