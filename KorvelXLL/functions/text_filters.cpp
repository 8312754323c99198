// Text filter worksheet functions. Each edits the host's own buffer in place and returns it: a filter only
// drops characters, so the writer never passes the reader, and nothing is allocated. TrimXLL and
// FilterUnicodeChar apply the toolbox's Trim and filter rules (common/text_rules); a character list here
// reads "a-" at its end as two single items.
#include "common/text_rules.h"
#include "host/xl_records.h"
#include "startup/exports.h"

using namespace korvel;
using namespace korvel::xll;

namespace {

size_t CountOf(const wchar_t* counted) { return static_cast<unsigned short>(counted[0]); }

void SetCount(wchar_t* counted, size_t n) { counted[0] = static_cast<wchar_t>(n); }

// The trim rule on a counted string, in place.
void TrimCounted(wchar_t* counted) { SetCount(counted, TrimUnits(counted + 1, CountOf(counted), counted + 1)); }

bool IsRussianLetter(wchar_t c) { return (c >= 0x0410 && c <= 0x044F) || c == 0x0401 || c == 0x0451; }

}  // namespace

extern "C" {

wchar_t* __stdcall TrimXLL(wchar_t* counted) {
  try {
    if (!counted) return nullptr;
    TrimCounted(counted);
  } catch (...) {
  }
  return counted;
}

wchar_t* __stdcall FilterUnicodeChar(wchar_t* counted, wchar_t* enable, wchar_t* disable) {
  try {
    if (!counted) return nullptr;
    const UnitList keep(enable ? enable + 1 : nullptr, enable ? CountOf(enable) : 0, TrailingDash::kSingleItems);
    const UnitList drop(disable ? disable + 1 : nullptr, disable ? CountOf(disable) : 0, TrailingDash::kSingleItems);
    SetCount(counted, FilterUnits(counted + 1, CountOf(counted), keep, drop, counted + 1));
  } catch (...) {
  }
  return counted;
}

wchar_t* __stdcall DigitXLL(wchar_t* counted) {
  if (!counted) return nullptr;
  size_t kept = 0;
  const size_t n = CountOf(counted);
  for (size_t i = 1; i <= n; ++i)
    if (counted[i] >= L'0' && counted[i] <= L'9') counted[++kept] = counted[i];
  SetCount(counted, kept);
  return counted;
}

// Russian letters and single spaces between words; other characters are dropped without ending a word.
wchar_t* __stdcall RusLetter(wchar_t* text) {
  if (!text) return nullptr;
  size_t written = 0;
  bool after_letter = false;
  for (size_t i = 0; text[i]; ++i) {
    const wchar_t c = text[i];
    if (IsRussianLetter(c)) {
      text[written++] = c;
      after_letter = true;
    } else if (c == L' ' && after_letter) {
      text[written++] = c;
      after_letter = false;
    }
  }
  if (written && text[written - 1] == L' ') --written;
  text[written] = 0;
  return text;
}

// Not registered: the trim rule on a new string record, handed back through xlAutoFree12.
XLOPER12* __stdcall TrimXLL2(const wchar_t* text) {
  try {
    XLOPER12* record = NewXLStr(text);
    if (record) TrimCounted(record->val.str);
    return record;
  } catch (...) {
    return nullptr;
  }
}

}  // extern "C"
