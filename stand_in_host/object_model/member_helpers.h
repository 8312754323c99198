// Small helpers that the stand-in's object families share.
#pragma once

#include "object_model/host_object.h"

namespace korvel::standin {

std::wstring Lower(const std::wstring& s);
bool ToLong(const VARIANT* v, LONG& out);
bool IsNumber(const VARIANT* v);
inline OwnedVariant Bool(bool b) { return OwnedVariant::Bool(b); }
inline OwnedVariant I4(LONG v) { return OwnedVariant::I4(v); }
inline OwnedVariant Text(const wchar_t* t) { return OwnedVariant::Text(t); }
// Writes `v` as a member's result.
HRESULT GiveValue(HostObject::Call& call, const VARIANT& v);
// A member that only reads: a put, or arguments it does not take, are refused as the host refuses them.
HostObject::Member ReadOnly(std::function<OwnedVariant()> get);

}  // namespace korvel::standin
