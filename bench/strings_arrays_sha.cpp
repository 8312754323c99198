// HashStringSHA over a 64 MiB text (through the server, and Crypto++ alone on the same bytes), once all
// 7-bit and twice with one Cyrillic letter (first, so that the whole text takes the platform's converter,
// and in the middle), and Transpose of VARIANT arrays (4096 x 4096, 4096 x 8192, 8192 x 4096) against a
// plain copy of the same bytes. Run by bench/strings_arrays_sha.sh, which times the Linux sha256sum and
// sha512sum on the files this program writes and prints the ratios.
// Usage: bench_strings_arrays_sha.exe <folder for the text files>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench_support.h"
#include "common/array_reshape.h"
#include "toolbox/sha_digest.h"

using namespace korvel;
using namespace korvel::bench;

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  return file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fclose(file) == 0;
}

// Hashes `wide` through the server and `ansi` (its ANSI form, also written to `path`) with Crypto++ alone.
bool TimeHashes(IVBA* vba, const char* name, const UniqueBstr& wide, const std::string& ansi, const std::string& path) {
  if (!WriteFile(path, ansi)) {
    std::printf("cannot write %s\n", path.c_str());
    return false;
  }
  for (LONG selector : {2256L, 2512L}) {
    std::wstring digest;
    double through_server = Best(3, [&] {
      BSTR out = nullptr;
      vba->HashStringSHA(wide.get(), selector, &out);
      UniqueBstr owned(out);
      digest.assign(out ? out : L"", SysStringLen(out));
    });
    double library = Best(3, [&] { ShaHexDigest(selector, ansi); });
    // Lines the shell script reads: text, its file, selector, seconds through the server, seconds of
    // Crypto++ alone, digest.
    std::printf("hash %s %s %ld %.6f %.6f %ls\n", name, path.c_str(), static_cast<long>(selector), through_server,
                library, digest.c_str());
  }
  return true;
}

// Transpose of a rows x columns VARIANT array (twice, so that it is as it was), against a plain copy of
// its bytes into a block touched beforehand.
bool TimeTranspose(IVBA* vba, ULONG rows, ULONG columns) {
  // SafeArrayCreate takes the bounds from the left (rows) and stores them from the right.
  SAFEARRAYBOUND bounds[2] = {{rows, 1}, {columns, 1}};
  ScopedVariant matrix;
  V_VT(matrix.get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(matrix.get()) = SafeArrayCreate(VT_VARIANT, 2, bounds);
  SAFEARRAY* a = V_ARRAY(matrix.get());
  if (!a) {
    std::printf("cannot create the %lu x %lu array\n", static_cast<unsigned long>(rows), static_cast<unsigned long>(columns));
    return false;
  }
  auto* cells = static_cast<VARIANT*>(a->pvData);
  const size_t count = size_t{rows} * columns;
  for (size_t i = 0; i < count; ++i) {
    V_VT(&cells[i]) = VT_I4;
    V_I4(&cells[i]) = static_cast<LONG>(i);
  }
  const size_t block = count * sizeof(VARIANT);
  double copy = 0;
  {
    std::unique_ptr<unsigned char[]> target(new unsigned char[block]);
    std::memset(target.get(), 1, block);
    copy = Best(3, [&] { std::memcpy(target.get(), a->pvData, block); });
  }
  HRESULT hr = S_OK;
  int done = 0;
  double transpose = Best(4, [&] {
    if (SUCCEEDED(hr)) hr = vba->Transpose(matrix.get());
    ++done;
  });
  // After an even number of transposes every element is back: (r, c) holds c * rows + r.
  bool moved = hr == S_OK && done % 2 == 0 && a->rgsabound[1].cElements == rows;
  for (size_t i = 0; moved && i < count; i += 4099) moved = V_I4(&cells[i]) == static_cast<LONG>(i);
  // One more, checked the other way round: (c, r) of the result holds c * rows + r.
  if (moved) moved = vba->Transpose(matrix.get()) == S_OK;
  for (size_t r = 0; moved && r < rows; r += 97)
    for (size_t c = 0; moved && c < columns; c += 89) moved = V_I4(&cells[r * columns + c]) == static_cast<LONG>(c * rows + r);
  if (!moved) std::printf("# %lu x %lu: hr 0x%08lx after %d transposes\n", static_cast<unsigned long>(rows),
                          static_cast<unsigned long>(columns), static_cast<unsigned long>(hr), done);
  const unsigned long long working = TransposeWorkingBytes(rows, columns, sizeof(VARIANT));
  std::printf("transpose %lu %lu %zu %llu %.6f %.6f %s\n", static_cast<unsigned long>(rows),
              static_cast<unsigned long>(columns), block, working, transpose, copy, moved ? "ok" : "WRONG");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: bench_strings_arrays_sha <folder for the text files>\n");
    return 2;
  }
  const std::string folder = argv[1];
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
  UniqueBstr wide(nullptr, static_cast<UINT>(bytes));
  for (size_t i = 0; i < bytes; ++i) wide.get()[i] = static_cast<unsigned char>(text[i]);
  if (!TimeHashes(vba.get(), "ascii", wide, text, folder + "\\ascii.txt")) return 1;

  // U+0416 in place of one character; the files hold what the ANSI code page makes of it.
  const wchar_t letter = L'\u0416';
  char converted[8];
  const int n = WideCharToMultiByte(CP_ACP, 0, &letter, 1, converted, sizeof converted, nullptr, nullptr);
  const struct { const char* name; size_t at; } places[] = {{"cyrillic-first", 0}, {"cyrillic-middle", bytes / 2}};
  for (const auto& place : places) {
    std::string ansi = text;
    ansi.replace(place.at, 1, converted, static_cast<size_t>(n));
    const wchar_t kept = wide.get()[place.at];
    wide.get()[place.at] = letter;
    const bool ok = TimeHashes(vba.get(), place.name, wide, ansi, folder + "\\" + place.name + ".txt");
    wide.get()[place.at] = kept;
    if (!ok) return 1;
  }

  const struct { ULONG rows, columns; } shapes[] = {{4096, 4096}, {4096, 8192}, {8192, 4096}};
  for (const auto& shape : shapes)
    if (!TimeTranspose(vba.get(), shape.rows, shape.columns)) return 1;
  return 0;
}
