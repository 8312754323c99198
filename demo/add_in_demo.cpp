// The add-in at work, for the demo: the shipped KorvelXLL(x64).xll opened in the stand-in host with TEMP at a
// folder of the demo's, so that it writes, registers and binds its own copy of the server there; then a few
// cells calculated as a sheet would (big integers, big floats, a QR picture whose PNG is kept for zbarimg), the
// About text, and the removal. Prints what comes back, readable; expected values beside the results are worked
// out by hand, not by this code.
// Usage: korvel_add_in_demo.exe <add-in file> <TEMP folder for the add-in> <folder for the kept picture>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "calculation.h"
#include "host.h"
#include "object_model/shapes.h"
#include "startup/exports.h"

namespace {

using namespace korvel::standin;
using namespace korvel::xll;

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

// Everything goes out as UTF-8 (the About text is Russian), with bare line feeds.
void Line(const std::wstring& text) {
  const std::string bytes = Utf8(text + L"\n");
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

// Host records and strings as the host passes them: a counted string keeps its count in element 0.
struct CountedText {
  explicit CountedText(const std::wstring& text) : units(1, static_cast<wchar_t>(text.size())) {
    units += text;
    units.resize(32769);  // a buffer the size the host gives a "G%" argument
  }
  wchar_t* get() { return units.data(); }
  std::wstring units;
};
struct TextValue {
  explicit TextValue(const std::wstring& text) : counted(text) {
    record.xltype = xltypeStr;
    record.val.str = counted.get();
  }
  CountedText counted;
  XLOPER12 record{};
};

std::wstring ErrorName(int code) {
  switch (code) {
    case xlerrNull: return L"#NULL!";
    case xlerrDiv0: return L"#DIV/0!";
    case xlerrValue: return L"#VALUE!";
    case xlerrRef: return L"#REF!";
    case xlerrName: return L"#NAME?";
    case xlerrNum: return L"#NUM!";
    case xlerrNA: return L"#N/A";
    default: return L"error " + std::to_wstring(code);
  }
}

// The cell's value as the sheet would show it, with its kind.
std::wstring Shown(const Calculation::CellResult& r) {
  if (r.null) return L"nothing (a null result)";
  switch (r.value.type & ~(xlbitDLLFree | xlbitXLFree)) {
    case xltypeStr: return L"\"" + r.value.text + L"\"";
    case xltypeNum: {
      wchar_t number[64];
      swprintf(number, 64, L"%.17g", r.value.num);
      return std::wstring(number) + L" (a number)";
    }
    case xltypeErr: return ErrorName(r.value.integer);
    default: return L"a record of type " + std::to_wstring(r.value.type);
  }
}

void SaveBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class Demo {
 public:
  Demo(std::wstring add_in, std::wstring temp, std::wstring out)
      : add_in_(std::move(add_in)), temp_(std::move(temp)), out_(std::move(out)) {}

  int Run() {
    // The host's process environment: TEMP (and TMP, which the platform's temporary path reads first).
    _wputenv_s(L"TMP", temp_.c_str());
    _wputenv_s(L"TEMP", temp_.c_str());
    // The add-in's Regsvr32 really runs; message boxes are recorded by the host's hook and printed.
    host_.ui().PassToRealShell();
    if (!host_.LoadAddIn(add_in_)) {
      Line(L"the add-in did not load: " + add_in_ + L" (error " + std::to_wstring(GetLastError()) + L")");
      return 1;
    }
    Line(L"== " + add_in_ + L" in the stand-in host");
    auto open = host_.Export<int(__stdcall*)()>("xlAutoOpen");
    auto remove = host_.Export<int(__stdcall*)()>("xlAutoRemove");
    if (!open || !remove) {
      Line(L"the add-in lacks xlAutoOpen or xlAutoRemove");
      return 1;
    }
    const int opened = open();
    size_t accepted = 0;
    for (const Registration& r : host_.api().registrations()) accepted += r.registered ? 1 : 0;
    Line(L"xlAutoOpen gave " + std::to_wstring(opened) + L"; the host accepted " + std::to_wstring(accepted) +
         L" of its " + std::to_wstring(host_.api().registrations().size()) +
         L" registrations of worksheet functions and commands");
    ShowServer();
    ShowBoxes();

    Line(L"== cells on the first sheet of Book1");
    CalculateNumbers();
    CalculatePicture();
    ShowAbout();
    ShowBoxes();

    Line(L"== removal");
    Line(L"xlAutoRemove gave " + std::to_wstring(remove()));
    host_.UnloadAddIn();
    ShowBoxes();
    const auto& faults = host_.model().faults();
    Line(faults.empty() ? L"the host saw no fault of the add-in's"
                        : L"faults the host saw: " + std::to_wstring(faults.size()));
    for (const std::wstring& f : faults) Line(L"  " + f);
    return 0;
  }

 private:
  Worksheet* Sheet() {
    return static_cast<Worksheet*>(host_.application()->active_workbook()->sheets()->At(0));
  }
  Calculation::CellResult Calculate(const std::wstring& cell, const std::function<XLOPER12*()>& call) {
    return Calculation::Get().Calculate(Sheet(), cell, call);
  }
  template <class Fn>
  Fn Export(const char* name) {
    return host_.Export<Fn>(name);
  }

  // Which file the server's object came from: the copy in TEMP that the add-in wrote.
  void ShowServer() {
    const std::wstring file = temp_ + L"\\KorvelCOM(x64).dll";
    HMODULE loaded = GetModuleHandleW(file.c_str());
    if (!loaded) {
      Line(L"the server's object was not made from " + file);
      return;
    }
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(loaded, path, MAX_PATH);
    Line(L"the add-in wrote the server to TEMP, registered it with Regsvr32 and bound its VBA object from " +
         std::wstring(path));
  }

  void ShowBoxes() {
    const auto& boxes = host_.ui().boxes();
    for (; boxes_shown_ < boxes.size(); ++boxes_shown_)
      Line(L"message box \"" + boxes[boxes_shown_].caption + L"\": " + boxes[boxes_shown_].text);
  }

  void Report(const std::wstring& cell, const std::wstring& formula, const Calculation::CellResult& r,
              const std::wstring& expected) {
    Line(L"  " + cell + std::wstring(cell.size() < 4 ? 4 - cell.size() : 0, L' ') + formula);
    const bool right = !r.null && (r.value.type & ~xlbitDLLFree) == xltypeStr && r.value.text == expected;
    Line(L"      -> " + Shown(r) + (right ? L"  [as expected]" : L"  [expected \"" + expected + L"\"]"));
  }

  void CalculateNumbers() {
    const std::wstring a = L"123456789012345678901234567890", b = L"987654321098765432109876543210";
    {
      auto sum = Export<decltype(&::SumInteger)>("SumInteger");
      TextValue n1(a);
      CountedText n2(b);
      Report(L"A1", L"=SumInteger(\"" + a + L"\", \"" + b + L"\")",
             Calculate(L"A1", [&] { return sum(&n1.record, n2.get(), 0, 0); }),
             L"1111111110111111111011111111100");
    }
    {
      // (2^64 - 1)(2^64 + 1) = 2^128 - 1: 32 hexadecimal f.
      auto multiply = Export<decltype(&::MultiplyInteger)>("MultiplyInteger");
      TextValue n1(L"18446744073709551615");
      CountedText n2(L"18446744073709551617");
      Report(L"A2", L"=MultiplyInteger(\"18446744073709551615\", \"18446744073709551617\", 10, 16)",
             Calculate(L"A2", [&] { return multiply(&n1.record, n2.get(), 10, 16); }), std::wstring(32, L'f'));
    }
    {
      auto sum = Export<decltype(&::SumFloat)>("SumFloat");
      TextValue n1(L"0.1");
      CountedText n2(L"0.2"), separator(L"");
      Report(L"A3", L"=SumFloat(\"0.1\", \"0.2\", 40)",
             Calculate(L"A3", [&] { return sum(&n1.record, n2.get(), 40, separator.get()); }), L"3.0E-1");
    }
    {
      // 1/7 = 0.142857... to 60 significant digits (the 61st is 1: no rounding up).
      auto divide = Export<decltype(&::DivideFloat)>("DivideFloat");
      CountedText n1(L"1"), n2(L"7"), separator(L"");
      std::wstring digits;
      for (int i = 0; i < 10; ++i) digits += L"142857";
      Report(L"A4", L"=DivideFloat(\"1\", \"7\", 60)",
             Calculate(L"A4", [&] { return divide(n1.get(), n2.get(), 60, separator.get()); }),
             digits.substr(0, 1) + L"." + digits.substr(1) + L"E-1");
    }
  }

  void CalculatePicture() {
    const std::wstring text = L"KorvelXLL: Привет!";
    auto print = Export<decltype(&::QRcodePrint)>("QRcodePrint");
    std::vector<XLOPER12> missing(8);
    for (XLOPER12& m : missing) m.xltype = xltypeMissing;
    std::wstring argument = text;  // "C%": the host's own null-terminated copy
    auto call = [&] {
      return print(argument.data(), &missing[0], &missing[1], &missing[2], &missing[3], &missing[4], &missing[5],
                   &missing[6], &missing[7]);
    };
    Calculation::CellResult r = Calculate(L"B10", call);
    Report(L"B10", L"=QRcodePrint(\"" + text + L"\")", r, text);
    r = Calculate(L"B10", call);
    Line(L"      calculated again -> " + Shown(r));
    const std::vector<Shape*> pictures = Sheet()->shapes()->At(10, 2);
    Line(L"      pictures at B10: " + std::to_wstring(pictures.size()) + L", on the sheet: " +
         std::to_wstring(Sheet()->shapes()->size()));
    if (pictures.empty()) return;
    const Shape* picture = pictures[0];
    unsigned long width = 0, height = 0;
    if (!picture->PngSize(width, height)) {
      Line(L"      the picture's bytes are no PNG");
      return;
    }
    const std::wstring kept = out_ + L"\\qr-cell.png";
    SaveBytes(kept, picture->bytes());
    SaveBytes(out_ + L"\\qr-cell.txt", Utf8(text));
    Line(L"      a PNG of " + std::to_wstring(width) + L" x " + std::to_wstring(height) + L" pixels at Left " +
         std::to_wstring(static_cast<int>(picture->left())) + L", Top " +
         std::to_wstring(static_cast<int>(picture->top())) + L", kept as " + kept);
  }

  void ShowAbout() {
    auto help = Export<decltype(&::HelpXLL)>("HelpXLL");
    const Calculation::CellResult r = Calculate(L"A6", [&] { return help(); });
    Line(L"  A6  =HelpXLL(), the About text:");
    if (r.null || (r.value.type & ~xlbitDLLFree) != xltypeStr) {
      Line(L"      -> " + Shown(r));
      return;
    }
    size_t start = 0;
    const std::wstring& about = r.value.text;
    while (start <= about.size()) {
      const size_t end = about.find(L'\n', start);
      Line(L"    | " + about.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
      if (end == std::wstring::npos) break;
      start = end + 1;
    }
  }

  Host& host_ = Host::Get();
  std::wstring add_in_, temp_, out_;
  size_t boxes_shown_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc != 4) {
    Line(L"usage: korvel_add_in_demo <add-in file> <TEMP folder for the add-in> <folder for the kept picture>");
    return 2;
  }
  try {
    return Demo(argv[1], argv[2], argv[3]).Run();
  } catch (const std::exception& e) {
    Line(L"the demo stopped: " + std::wstring(e.what(), e.what() + strlen(e.what())));
    return 1;
  } catch (...) {
    Line(L"the demo stopped on an unknown exception");
    return 1;
  }
}
