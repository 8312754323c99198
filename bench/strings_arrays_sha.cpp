// HashStringSHA over a 64 MiB text (through the server, and Crypto++ alone on the same bytes), and
// Transpose of a 4096 x 4096 VARIANT array against a plain copy of the same bytes. Run by
// bench/strings_arrays_sha.sh, which times the Linux sha256sum and sha512sum on the file this program
// writes and prints the ratios. Usage: bench_strings_arrays_sha.exe <file for the text's bytes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench_support.h"
#include "toolbox/sha_digest.h"

using namespace korvel;
using namespace korvel::bench;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: bench_strings_arrays_sha <text file>\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HMODULE server = LoadServer();
  ComPtr<IVBA> vba = Create<IVBA>(server, CLSID_VBA);
  if (!vba) {
    std::printf("cannot create VBA from %ls\n", ServerDllPath().c_str());
    return 1;
  }

  // 64 MiB of printable ASCII in lines, the same bytes in the file and (widened) in the BSTR.
  const size_t bytes = size_t{64} << 20;
  std::string text(bytes, '\0');
  unsigned state = 12345;
  for (size_t i = 0; i < bytes; ++i) {
    state = state * 1103515245u + 12345u;
    text[i] = (i % 80 == 79) ? '\n' : static_cast<char>(' ' + (state >> 16) % 95);
  }
  FILE* file = std::fopen(argv[1], "wb");
  if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0) {
    std::printf("cannot write %s\n", argv[1]);
    return 1;
  }
  UniqueBstr wide(nullptr, static_cast<UINT>(bytes));
  for (size_t i = 0; i < bytes; ++i) wide.get()[i] = static_cast<unsigned char>(text[i]);

  for (LONG selector : {2256L, 2512L}) {
    std::wstring digest;
    double through_server = Best(3, [&] {
      BSTR out = nullptr;
      vba->HashStringSHA(wide.get(), selector, &out);
      UniqueBstr owned(out);
      digest.assign(out ? out : L"", SysStringLen(out));
    });
    double library = Best(3, [&] { ShaHexDigest(selector, text); });
    // Lines the shell script reads: selector, seconds through the server, seconds of Crypto++ alone, digest.
    std::printf("hash %ld %.6f %.6f %ls\n", static_cast<long>(selector), through_server, library, digest.c_str());
  }

  const ULONG side = 4096;
  SAFEARRAYBOUND bounds[2] = {{side, 1}, {side, 1}};
  ScopedVariant matrix;
  V_VT(matrix.get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(matrix.get()) = SafeArrayCreate(VT_VARIANT, 2, bounds);
  SAFEARRAY* a = V_ARRAY(matrix.get());
  if (!a) {
    std::printf("cannot create the %lu x %lu array\n", static_cast<unsigned long>(side), static_cast<unsigned long>(side));
    return 1;
  }
  auto* cells = static_cast<VARIANT*>(a->pvData);
  const size_t count = size_t{side} * side;
  for (size_t i = 0; i < count; ++i) {
    V_VT(&cells[i]) = VT_I4;
    V_I4(&cells[i]) = static_cast<LONG>(i);
  }
  const size_t block = count * sizeof(VARIANT);
  std::unique_ptr<unsigned char[]> target(new unsigned char[block]);
  std::memset(target.get(), 1, block);
  HRESULT hr = S_OK;
  double transpose = Best(3, [&] { hr = vba->Transpose(matrix.get()); });
  double copy = Best(3, [&] { std::memcpy(target.get(), a->pvData, block); });
  // After an odd number of transposes element (r, c) holds c * side + r.
  bool moved = hr == S_OK && V_I4(&cells[1]) == static_cast<LONG>(side) && V_I4(&cells[side]) == 1;
  std::printf("transpose %lu %zu %.6f %.6f %s\n", static_cast<unsigned long>(side), block, transpose, copy,
              moved ? "ok" : "WRONG");
  return 0;
}
