// Cells calling the add-in's worksheet functions: the host builds each argument from the letter of the
// function's registered type text, calls the export by name, and reads the result by its letter. Results
// that the add-in flags xlbitDLLFree go back through its xlAutoFree12, as the host hands them back.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "c_api.h"

namespace korvel::standin {

class Worksheet;

// A value that a formula hands to an argument: a number, text, boolean, error, an array of values (row by
// row), an empty cell, nothing (an omitted argument), or a reference to cells of a sheet ("B2", "A1:C3",
// "A1,C3:D4"). A "U" argument receives a reference as one (xltypeSRef when it is one area of the sheet
// being calculated, or of the active sheet outside a calculation; else xltypeRef with the sheet's id); every
// other letter receives the cells' values, as "Q" does: one cell as its value (an empty one as xltypeNil),
// one area of several cells as xltypeMulti row by row.
struct ArgValue {
  enum class Kind { kOmitted, kEmpty, kNumber, kText, kBool, kError, kArray, kReference };
  Kind kind = Kind::kOmitted;
  double number = 0;
  std::wstring text;
  int code = 0;  // boolean or error code
  int rows = 0, columns = 0;
  std::vector<ArgValue> elements;
  Worksheet* sheet = nullptr;  // of a reference
  std::wstring address;

  static ArgValue Omitted() { return ArgValue{}; }
  static ArgValue Empty() { return Make(Kind::kEmpty); }
  static ArgValue Number(double v) {
    ArgValue c = Make(Kind::kNumber);
    c.number = v;
    return c;
  }
  static ArgValue Text(std::wstring t) {
    ArgValue c = Make(Kind::kText);
    c.text = std::move(t);
    return c;
  }
  static ArgValue Bool(bool b) {
    ArgValue c = Make(Kind::kBool);
    c.code = b;
    return c;
  }
  static ArgValue Error(int e) {
    ArgValue c = Make(Kind::kError);
    c.code = e;
    return c;
  }
  static ArgValue Array(int rows, int columns, std::vector<ArgValue> elements) {
    ArgValue c = Make(Kind::kArray);
    c.rows = rows;
    c.columns = columns;
    c.elements = std::move(elements);
    return c;
  }
  static ArgValue Reference(Worksheet* sheet, std::wstring address) {
    ArgValue c = Make(Kind::kReference);
    c.sheet = sheet;
    c.address = std::move(address);
    return c;
  }

 private:
  static ArgValue Make(Kind k) {
    ArgValue c;
    c.kind = k;
    return c;
  }
};

// A result as the host read it by its type letter.
struct CallOutcome {
  bool null = false;
  SeenValue value;                 // U and Q: the record, type word and flags included; strings: text
  std::vector<SeenValue> elements;  // of an xltypeMulti result, row by row
  long long integer = 0;           // J, H
  int argument_buffer = -1;        // a string result that is an argument's own buffer: its position
  bool operator==(const CallOutcome& o) const;
};

// The type text of a registered procedure, as the add-in gave it to xlfRegister; empty when none.
std::wstring RegisteredTypeText(const std::wstring& procedure);

// Calls export `name` of `module` with arguments made from `type_text` and the values. A letter or a value
// the host would not pass (a text for J, too many arguments) throws std::invalid_argument.
CallOutcome CallExport(HMODULE module, const std::string& name, const std::wstring& type_text,
                       const std::vector<ArgValue>& args);
// The same with the procedure's registered type text.
CallOutcome CallRegistered(HMODULE module, const std::string& name, const std::vector<ArgValue>& args);

// The host's calculation threads: `threads` threads start together and each calls the registered function
// with every argument list in turn; the outcomes come back per thread. A function whose type text does not
// end in "$" (not thread-safe) is refused with std::invalid_argument, as the host would never do it.
std::vector<std::vector<CallOutcome>> CallOnThreads(HMODULE module, const std::string& name,
                                                    const std::vector<std::vector<ArgValue>>& cases,
                                                    int threads = 8);

}  // namespace korvel::standin
