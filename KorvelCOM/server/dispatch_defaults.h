// Defaults of optional 8-byte parameters, which the type library cannot carry (widl writes no VT_I8
// default value). Before a late-bound call reaches ITypeInfo::Invoke, every such parameter that the caller
// left out is filled in here, so late-bound callers see the same defaults as early-bound ones.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <vector>

namespace korvel {

struct EightByteDefault {
  const IID* iid;
  DISPID member;
  WORD invoke_kinds;  // DISPATCH_METHOD / DISPATCH_PROPERTYGET / DISPATCH_PROPERTYPUT mask
  UINT parameter;     // 0-based position in the declaration
  LONGLONG value;
};

// Arguments rebuilt for one call. The caller's arguments are borrowed (shallow copies); the filled defaults
// are plain 8-byte integers that own nothing.
class CompletedArguments {
 public:
  CompletedArguments() = default;
  CompletedArguments(const CompletedArguments&) = delete;
  CompletedArguments& operator=(const CompletedArguments&) = delete;

  // Fills the left-out parameters of `member` that have an entry in the table; returns false (and leaves
  // `params` as the caller gave them) when there is nothing to fill or the call cannot be mapped.
  bool Complete(const IID& iid, ITypeInfo* vtable_info, DISPID member, WORD flags, const DISPPARAMS& params);
  DISPPARAMS* get() { return &params_; }

 private:
  std::vector<VARIANTARG> args_;  // reversed, as DISPPARAMS holds them
  DISPID put_id_ = DISPID_PROPERTYPUT;
  DISPPARAMS params_ = {};
};

}  // namespace korvel
