#include "object_model/sheet_extras.h"

#include <map>

#include "object_model/cell_value_types.h"
#include "object_model/local_typing.h"
#include "object_model/member_helpers.h"
#include "object_model/object_model.h"
#include "object_model/cells_of_a_kind.h"

namespace korvel::standin {
namespace {

struct SheetExtras {
  bool protect = false;
  std::vector<TracerArrow> arrows;
  std::map<std::pair<LONG, LONG>, std::wstring> formats;
};

// By sheet: the stand-in's objects keep their memory for the whole process, so an address names one sheet.
SheetExtras& ExtrasOf(const Worksheet* sheet) {
  static auto* extras = new std::map<const Worksheet*, SheetExtras>;
  return (*extras)[sheet];
}

// The host refuses a change of a protected sheet with a run-time error.
constexpr HRESULT kRefused = DISP_E_EXCEPTION;

}  // namespace

std::vector<TracerArrow>& ArrowsOf(Worksheet* sheet) { return ExtrasOf(sheet).arrows; }
void SetContentsProtected(Worksheet* sheet, bool protect) { ExtrasOf(sheet).protect = protect; }
bool ContentsProtected(Worksheet* sheet) { return ExtrasOf(sheet).protect; }

void SetNumberFormat(Worksheet* sheet, LONG row, LONG column, const std::wstring& format) {
  ExtrasOf(sheet).formats[{row, column}] = format;
}

std::wstring NumberFormatAt(Worksheet* sheet, LONG row, LONG column) {
  const auto& formats = ExtrasOf(sheet).formats;
  auto it = formats.find({row, column});
  return it == formats.end() ? L"General" : it->second;
}

void AttachSheetExtras(Worksheet* sheet) {
  sheet->Define(L"ProtectContents", ReadOnly([sheet] { return Bool(ContentsProtected(sheet)); }));
  sheet->Define(L"ClearArrows", [sheet](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    if (ContentsProtected(sheet)) return kRefused;
    ArrowsOf(sheet).clear();
    if (call.result) VariantInit(call.result);
    return S_OK;
  });
}

void AttachRangeExtras(Range* range) {
  Worksheet* sheet = range->sheet();
  DefineValueTypes(range);
  // Writes of the values' family fail on a protected sheet.
  for (const wchar_t* name : {L"Value", L"Value2", L"Formula"}) {
    HostObject::Member base = range->MemberOf(name);
    if (!base) continue;
    range->Define(name, [sheet, base](HostObject::Call& call) -> HRESULT {
      if (call.is_put() && ContentsProtected(sheet)) return kRefused;
      return base(call);
    });
  }
  if (HostObject::Member clear = range->MemberOf(L"ClearContents"))
    range->Define(L"ClearContents", [sheet, clear](HostObject::Call& call) -> HRESULT {
      if (ContentsProtected(sheet)) return kRefused;
      return clear(call);
    });

  DefineFormulaLocal(range);
  DefineSpecialCells(range);
  range->Define(L"NumberFormat", [range, sheet](HostObject::Call& call) -> HRESULT {
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    const Areas& areas = range->areas();
    if (!call.is_put()) return GiveValue(call, Text(NumberFormatAt(sheet, range->row(), range->column()).c_str()));
    if (call.value->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    if (ContentsProtected(sheet)) return kRefused;
    const std::wstring format(call.value->bstrVal, SysStringLen(call.value->bstrVal));
    for (const Area& a : areas) {
      if (a.count() > (int64_t{1} << 24)) return E_OUTOFMEMORY;
      for (LONG r = a.first_row; r <= a.last_row; ++r)
        for (LONG c = a.first_column; c <= a.last_column; ++c) SetNumberFormat(sheet, r, c, format);
    }
    return S_OK;
  });

  // One arrow per cell, in the range's order.
  const std::pair<const wchar_t*, const wchar_t*> kArrows[] = {{L"ShowPrecedents", L"precedents"},
                                                               {L"ShowDependents", L"dependents"}};
  for (const auto& [name, kind] : kArrows) {
    const std::wstring arrow_kind = kind;
    range->Define(name, [range, sheet, arrow_kind](HostObject::Call& call) -> HRESULT {
      if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
      if (call.args.size() > 1) return DISP_E_BADPARAMCOUNT;
      if (ContentsProtected(sheet)) return kRefused;
      if (range->count() > (int64_t{1} << 24)) return E_OUTOFMEMORY;
      for (const Area& a : range->areas())
        for (LONG r = a.first_row; r <= a.last_row; ++r)
          for (LONG c = a.first_column; c <= a.last_column; ++c)
            ArrowsOf(sheet).push_back({A1Address(r, c), arrow_kind});
      if (call.result) VariantInit(call.result);
      return S_OK;
    });
  }
}

void AttachApplicationExtras(Application* application) { DefineLocalSeparators(application); }

}  // namespace korvel::standin
