// Worksheet functions called as the host calls them from cells: by name, with arguments made from the
// registered type text, results read by their letter and handed back through xlAutoFree12.
#pragma once

#include <gmp.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "add_in.h"
#include "export_calls.h"
#include "startup/startup_steps.h"

namespace korvel::standin {

inline void PrintTo(const CallOutcome& o, std::ostream* os) {
  if (o.null) {
    *os << "null";
    return;
  }
  *os << "type 0x" << std::hex << o.value.type << std::dec << " num " << o.value.num << " integer " << o.value.integer
      << " text(" << o.value.text.size() << ") '" << std::string(o.value.text.begin(), o.value.text.begin() +
                                                                  std::min<size_t>(o.value.text.size(), 80))
      << "' buffer " << o.argument_buffer;
}

}  // namespace korvel::standin

namespace korvel::test {

using standin::CallOutcome;
using standin::ArgValue;

inline ArgValue T(const std::wstring& t) { return ArgValue::Text(t); }
inline ArgValue N(double v) { return ArgValue::Number(v); }
inline ArgValue Omitted() { return ArgValue::Omitted(); }

// Expected outcomes: an add-in record (flagged xlbitDLLFree) or null.
inline CallOutcome TextResult(const std::wstring& text) {
  CallOutcome o;
  o.value.type = xltypeStr | xlbitDLLFree;
  o.value.text = text;
  return o;
}
inline CallOutcome NumberZero() {
  CallOutcome o;
  o.value.type = xltypeNum | xlbitDLLFree;
  return o;
}
inline CallOutcome ErrorResult(int code) {
  CallOutcome o;
  o.value.type = xltypeErr | xlbitDLLFree;
  o.value.integer = code;
  return o;
}
inline CallOutcome NullResult() {
  CallOutcome o;
  o.null = true;
  return o;
}
// A string result that is the argument's own buffer, edited in place.
inline CallOutcome InPlace(const std::wstring& text, int argument = 0) {
  CallOutcome o;
  o.value.type = xltypeStr;
  o.value.text = text;
  o.argument_buffer = argument;
  return o;
}

// An integer as the library writes it, computed in the test.
inline std::wstring GmpText(mpz_srcptr z, int base) {
  std::vector<char> buffer(mpz_sizeinbase(z, base) + 2);
  mpz_get_str(buffer.data(), base, z);
  return std::wstring(buffer.data(), buffer.data() + std::strlen(buffer.data()));
}

struct CellCase {
  const char* what;
  const char* function;
  std::vector<ArgValue> args;
  CallOutcome expected;
};

// The add-in's registration pass has run, so every function carries its registered type text.
class CellFunctionTest : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    korvel::xll::RegisterAll();
  }
  CallOutcome Call(const char* function, const std::vector<ArgValue>& args) {
    return standin::CallRegistered(addin.module, function, args);
  }
  void RunCases(const std::vector<CellCase>& cases) {
    for (const CellCase& c : cases) {
      SCOPED_TRACE(std::string(c.function) + ": " + c.what);
      EXPECT_EQ(Call(c.function, c.args), c.expected);
    }
    EXPECT_EQ(host.api().outstanding(), 0u);
    EXPECT_EQ(host.api().bad_frees(), 0u);
  }
};

}  // namespace korvel::test
