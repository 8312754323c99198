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
// A collection's Item as the host answers it: a number counts from 1 (`at` gets the 0-based position), a text
// names an item in any case (`named` gets it in lower case); another argument type is a mismatch, and an
// item that is not there a bad index.
HostObject::Member ItemByIndexOrName(std::function<HostObject*(size_t)> at,
                                     std::function<HostObject*(const std::wstring&)> named);

}  // namespace korvel::standin
