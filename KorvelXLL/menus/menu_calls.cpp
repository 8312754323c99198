#include "menus/menu_calls.h"

#include "host/auto_wrap.h"
#include "host/fast_mode.h"

namespace korvel::xll {
namespace {

const VARIANT kAbsent{};

bool HoldsObject(const VARIANT& v) { return v.vt == VT_DISPATCH && v.pdispVal; }

}  // namespace

std::wstring ControlTag(size_t row) { return L"tagXLLbutton" + std::to_wstring(row); }

const VARIANT& RowValue(const MenuRow& row, size_t position) {
  return position < row.size() ? static_cast<const VARIANT&>(row[position]) : kAbsent;
}

LONG RowNumber(const MenuRow& row, size_t position) {
  OwnedVariant number;
  if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&RowValue(row, position)), 0, VT_I4))) return 0;
  return number.lVal;
}

bool GetObject(const wchar_t* path, VARIANT* object, OwnedVariant& result, std::vector<OwnedVariant> args) {
  // A member before the last that gives no object reports itself but answers 0: only an object counts.
  return AutoWrapX(path, object, 0, &result, false, &args, 0) == 0 && HoldsObject(result);
}

bool GetNumber(const wchar_t* path, VARIANT* object, LONG& result) {
  OwnedVariant value;
  if (AutoWrapX(path, object, 0, &value, false, nullptr, 0) != 0) return false;
  OwnedVariant number;
  if (FAILED(VariantChangeType(&number, &value, 0, VT_I4))) return false;
  result = number.lVal;
  return true;
}

bool CallMember(const wchar_t* path, VARIANT* object, std::vector<OwnedVariant> args, bool quiet) {
  return AutoWrapX(path, object, 0, nullptr, quiet, &args, 0) == 0;
}

bool PutMember(VARIANT& object, const wchar_t* member, const VARIANT& value) {
  std::vector<OwnedVariant> args;
  args.emplace_back(value);
  return AutoWrapX(member, &object, DISPATCH_PROPERTYPUT, nullptr, false, &args, 0) == 0;
}

Lookup FindControls(bool all, const VARIANT& kind, const std::wstring& tag, OwnedVariant& found) {
  std::vector<OwnedVariant> args;
  args.emplace_back(kind);
  args.push_back(OwnedVariant::I4(0));
  args.push_back(OwnedVariant::Text(tag.c_str()));
  const wchar_t* path = all ? L"CommandBars.FindControls" : L"CommandBars.FindControl";
  const unsigned failures = HostCallFailureCount();
  if (AutoWrapX(path, nullptr, 0, &found, false, &args, 0) != 0) return Lookup::kFailed;
  // "CommandBars" giving no object has reported itself and still answers 0: that is no "none found".
  if (HostCallFailureCount() != failures) return Lookup::kFailed;
  return HoldsObject(found) ? Lookup::kFound : Lookup::kNone;
}

}  // namespace korvel::xll
