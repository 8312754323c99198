// ArraySortS and ArraySortV on 1,000,000 random strings and 1,000,000 random doubles in VARIANTs, against
// a single-threaded std::stable_sort with the same comparator on the same data, and the speed-up. ArraySortV
// also beside the comparator sort on all threads (the road every VARIANT array took before number keys), on
// the doubles and on 1,000,000 mixed VARIANTs (strings, empties and numbers of several types), which still
// take that road.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "toolbox/number_key_sort.h"
#include "toolbox/parallel_sort.h"
#include "toolbox/sort_comparators.h"

using namespace korvel;
using namespace korvel::bench;

namespace {

const std::size_t kCount = 1000000;

SAFEARRAY* Vector(VARTYPE vt, std::size_t n) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(n), 0};
  return SafeArrayCreate(vt, 1, &bound);
}

// Best of `repeats` runs of `run`, which restores its input untimed and returns the time of the sort alone.
template <class Run>
double BestSort(int repeats, Run&& run) {
  double best = 1e300;
  for (int i = 0; i < repeats; ++i) best = std::min(best, run());
  return best;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HMODULE server = LoadServer();
  ComPtr<IVBA> vba = Create<IVBA>(server, CLSID_VBA);
  if (!vba) {
    std::printf("cannot create VBA from %ls\n", ServerDllPath().c_str());
    return 1;
  }
  std::printf("%zu elements, %u hardware threads (best of 3 runs)\n", kCount, std::thread::hardware_concurrency());
  std::mt19937_64 random(2024);

  // Strings of 8 to 16 random letters.
  std::vector<BSTR> strings(kCount);
  for (BSTR& s : strings) {
    wchar_t text[17];
    std::size_t length = 8 + random() % 9;
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<wchar_t>(L'A' + random() % 58);
    s = SysAllocStringLen(text, static_cast<UINT>(length));
  }
  VARIANT string_array;
  V_VT(&string_array) = VT_ARRAY | VT_BSTR;
  V_ARRAY(&string_array) = Vector(VT_BSTR, kCount);
  BSTR* string_data = static_cast<BSTR*>(V_ARRAY(&string_array)->pvData);
  double server_strings = BestSort(3, [&] {
    std::memcpy(string_data, strings.data(), kCount * sizeof(BSTR));
    double start = Now();
    vba->ArraySortS(&string_array, VARIANT_FALSE, 0, 0, 0, 0, VARIANT_FALSE, VARIANT_FALSE, nullptr);
    return Now() - start;
  });
  bool strings_sorted = std::is_sorted(string_data, string_data + kCount, BstrLess);
  std::vector<BSTR> work(kCount);
  double stable_strings = BestSort(3, [&] {
    work = strings;
    double start = Now();
    std::stable_sort(work.begin(), work.end(), BstrLess);
    return Now() - start;
  });
  std::printf("1,000,000 random strings: ArraySortS against std::stable_sort(BstrLess)%s\n",
              strings_sorted ? "" : " (NOT SORTED)");
  PrintRow("  time", "stable_sort", stable_strings, "ArraySortS", server_strings);
  std::printf("  speed-up %.2f\n", stable_strings / server_strings);

  // Doubles in VARIANTs.
  std::vector<VARIANT> doubles(kCount);
  std::uniform_real_distribution<double> uniform(-1e6, 1e6);
  for (VARIANT& v : doubles) {
    V_VT(&v) = VT_R8;
    V_R8(&v) = uniform(random);
  }
  VARIANT variant_array;
  V_VT(&variant_array) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&variant_array) = Vector(VT_VARIANT, kCount);
  VARIANT* variant_data = static_cast<VARIANT*>(V_ARRAY(&variant_array)->pvData);
  double server_doubles = BestSort(3, [&] {
    std::memcpy(static_cast<void*>(variant_data), doubles.data(), kCount * sizeof(VARIANT));
    double start = Now();
    vba->ArraySortV(&variant_array, 0, VARIANT_FALSE, 0, VARIANT_FALSE, 0, VARIANT_FALSE);
    return Now() - start;
  });
  bool doubles_sorted = true;
  for (std::size_t i = 1; i < kCount; ++i)
    if (V_R8(&variant_data[i - 1]) > V_R8(&variant_data[i])) doubles_sorted = false;
  std::vector<VARIANT> variant_work(kCount);
  double stable_doubles = BestSort(3, [&] {
    variant_work = doubles;
    double start = Now();
    std::stable_sort(variant_work.begin(), variant_work.end(), VariantLess);
    return Now() - start;
  });
  double comparator_doubles = BestSort(3, [&] {
    variant_work = doubles;
    double start = Now();
    ParallelSort(variant_work.data(), kCount, VariantLess);
    return Now() - start;
  });
  bool same_doubles = std::memcmp(variant_work.data(), variant_data, kCount * sizeof(VARIANT)) == 0;
  // The key sort alone on one thread: what it saves in work, apart from the threads.
  double key_sort_one_thread = BestSort(3, [&] {
    ScopedSortSplitForTesting one_thread(kSerialSortLimit, 1);
    variant_work = doubles;
    const std::size_t column[3] = {0, 0, 0};
    const bool ascending[3] = {false, false, false};
    double start = Now();
    SortRowsByNumberKeys(variant_work.data(), kCount, 1, 1, column, ascending);
    return Now() - start;
  });
  same_doubles = same_doubles && std::memcmp(variant_work.data(), variant_data, kCount * sizeof(VARIANT)) == 0;
  std::printf("1,000,000 random doubles in VARIANTs: ArraySortV against std::stable_sort(VariantLess)%s\n",
              doubles_sorted ? "" : " (NOT SORTED)");
  PrintRow("  time", "stable_sort", stable_doubles, "ArraySortV", server_doubles);
  std::printf("  speed-up %.2f\n", stable_doubles / server_doubles);
  std::printf("  against the comparator sort on all threads%s\n", same_doubles ? "" : " (ORDER DIFFERS)");
  PrintRow("  time", "comparator", comparator_doubles, "ArraySortV", server_doubles);
  std::printf("  speed-up %.2f\n", comparator_doubles / server_doubles);
  std::printf("  the key sort on one thread against std::stable_sort(VariantLess)\n");
  PrintRow("  time", "stable_sort", stable_doubles, "key sort", key_sort_one_thread);
  std::printf("  speed-up %.2f\n", stable_doubles / key_sort_one_thread);

  // Mixed VARIANTs: a worksheet column of numbers, dates, Booleans, texts and empty cells.
  std::vector<VARIANT> mixed(kCount);
  std::vector<BSTR> mixed_texts;
  for (VARIANT& v : mixed) {
    VariantInit(&v);
    switch (random() % 8) {
      case 0:
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocString(random() % 2 ? L"north" : L"South");
        mixed_texts.push_back(V_BSTR(&v));
        break;
      case 1: break;  // empty
      case 2: V_VT(&v) = VT_I4; V_I4(&v) = static_cast<LONG>(random() % 100000); break;
      case 3: V_VT(&v) = VT_DATE; V_DATE(&v) = 40000 + static_cast<double>(random() % 8000); break;
      case 4: V_VT(&v) = VT_BOOL; V_BOOL(&v) = random() % 2 ? VARIANT_TRUE : VARIANT_FALSE; break;
      default: V_VT(&v) = VT_R8; V_R8(&v) = uniform(random); break;
    }
  }
  // The two in turn, best of 5 each, so that a change in the machine's load reaches both alike.
  double server_mixed = 1e300, comparator_mixed = 1e300;
  for (int i = 0; i < 5; ++i) {
    server_mixed = std::min(server_mixed, BestSort(1, [&] {
      std::memcpy(static_cast<void*>(variant_data), mixed.data(), kCount * sizeof(VARIANT));
      double start = Now();
      vba->ArraySortV(&variant_array, 0, VARIANT_FALSE, 0, VARIANT_FALSE, 0, VARIANT_FALSE);
      return Now() - start;
    }));
    comparator_mixed = std::min(comparator_mixed, BestSort(1, [&] {
      variant_work = mixed;
      double start = Now();
      ParallelSort(variant_work.data(), kCount, VariantLess);
      return Now() - start;
    }));
  }
  bool same_mixed = std::memcmp(variant_work.data(), variant_data, kCount * sizeof(VARIANT)) == 0;
  std::printf("1,000,000 mixed VARIANTs (best of 5, in turn): ArraySortV against the comparator sort on all threads%s\n",
              same_mixed ? "" : " (ORDER DIFFERS)");
  PrintRow("  time", "comparator", comparator_mixed, "ArraySortV", server_mixed);
  std::printf("  ratio %.2f\n", comparator_mixed / server_mixed);

  std::memset(variant_data, 0, kCount * sizeof(VARIANT));  // the mixed texts are freed once, below
  for (BSTR s : mixed_texts) SysFreeString(s);
  std::memset(string_data, 0, kCount * sizeof(BSTR));  // the strings are freed once, below
  VariantClear(&string_array);
  VariantClear(&variant_array);
  for (BSTR s : strings) SysFreeString(s);
  return 0;
}
