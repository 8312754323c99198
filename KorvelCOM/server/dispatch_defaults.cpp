#include "server/dispatch_defaults.h"

#include "server/server_ids.h"

namespace korvel {
namespace {

constexpr WORD kGetPut = DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT;

const EightByteDefault kDefaults[] = {
    // BignumArithmeticFloat: get/put Bignum(Bignum, BignumBase, Precision = 0, ...), FileGet(..., Precision = 0)
    {&IID_IBignumArithmeticFloat, 3, kGetPut, 2, 0},
    {&IID_IBignumArithmeticFloat, 22, DISPATCH_METHOD, 3, 0},
    // VBA: QRcodePrint(QRcodeText, FileOut, FormatImageOut = 4, SizePixel = 4, R = 0, G = 0, B = 0,
    //                  VersionSymbol = 0, LevelErrCorrect = 1)
    {&IID_IVBA, 8, DISPATCH_METHOD, 2, 4},
    {&IID_IVBA, 8, DISPATCH_METHOD, 3, 4},
    {&IID_IVBA, 8, DISPATCH_METHOD, 4, 0},
    {&IID_IVBA, 8, DISPATCH_METHOD, 5, 0},
    {&IID_IVBA, 8, DISPATCH_METHOD, 6, 0},
    {&IID_IVBA, 8, DISPATCH_METHOD, 7, 0},
    {&IID_IVBA, 8, DISPATCH_METHOD, 8, 1},
};

const EightByteDefault* FindDefault(const IID& iid, DISPID member, WORD kind, UINT parameter) {
  for (const EightByteDefault& row : kDefaults)
    if (IsEqualIID(*row.iid, iid) && row.member == member && (row.invoke_kinds & kind) && row.parameter == parameter)
      return &row;
  return nullptr;
}

bool HasAnyDefault(const IID& iid, DISPID member, WORD kind) {
  for (const EightByteDefault& row : kDefaults)
    if (IsEqualIID(*row.iid, iid) && row.member == member && (row.invoke_kinds & kind)) return true;
  return false;
}

INVOKEKIND KindOf(WORD flags) {
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return INVOKE_PROPERTYPUT;
  if (flags & DISPATCH_METHOD) return INVOKE_FUNC;  // VBScript sends METHOD|PROPERTYGET for a call
  return INVOKE_PROPERTYGET;
}

class FuncDescScope {
 public:
  FuncDescScope(ITypeInfo* info, DISPID member, INVOKEKIND kind) : info_(info) {
    ITypeInfo2* info2 = nullptr;
    if (FAILED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(&info2)))) return;
    UINT index = 0;
    if (SUCCEEDED(info2->GetFuncIndexOfMemId(member, kind, &index))) info_->GetFuncDesc(index, &desc_);
    info2->Release();
  }
  ~FuncDescScope() { if (desc_) info_->ReleaseFuncDesc(desc_); }
  const FUNCDESC* get() const { return desc_; }

 private:
  ITypeInfo* info_;
  FUNCDESC* desc_ = nullptr;
};

bool IsMissing(const VARIANTARG& arg) {
  return V_VT(&arg) == VT_ERROR && V_ERROR(&arg) == DISP_E_PARAMNOTFOUND;
}

}  // namespace

bool CompletedArguments::Complete(const IID& iid, ITypeInfo* vtable_info, DISPID member, WORD flags,
                                  const DISPPARAMS& params) {
  INVOKEKIND kind = KindOf(flags);
  WORD kind_bit = kind == INVOKE_PROPERTYPUT ? DISPATCH_PROPERTYPUT
                  : kind == INVOKE_FUNC      ? DISPATCH_METHOD
                                             : DISPATCH_PROPERTYGET;
  if (!HasAnyDefault(iid, member, kind_bit)) return false;
  FuncDescScope desc(vtable_info, member, kind);
  if (!desc.get()) return false;
  UINT declared = desc.get()->cParams;
  if (declared && (desc.get()->lprgelemdescParam[declared - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
    --declared;
  bool put = kind == INVOKE_PROPERTYPUT;
  UINT positional_slots = put ? declared - 1 : declared;  // the put value travels as a named argument

  // Positional view: slot i is parameter i. Borrowed from the caller, or missing.
  std::vector<VARIANTARG> slots(positional_slots);
  std::vector<bool> present(positional_slots, false);
  for (auto& s : slots) { VariantInit(&s); V_VT(&s) = VT_ERROR; V_ERROR(&s) = DISP_E_PARAMNOTFOUND; }
  UINT named = params.cNamedArgs;
  UINT positional = params.cArgs - named;
  if (positional > positional_slots) return false;  // too many arguments: let the platform report it
  for (UINT k = 0; k < positional; ++k) {
    slots[k] = params.rgvarg[params.cArgs - 1 - k];
    present[k] = !IsMissing(slots[k]);
  }
  const VARIANTARG* put_value = nullptr;
  for (UINT j = 0; j < named; ++j) {
    DISPID id = params.rgdispidNamedArgs[j];
    if (put && id == DISPID_PROPERTYPUT) { put_value = &params.rgvarg[j]; continue; }
    if (id < 0 || static_cast<UINT>(id) >= positional_slots || present[id]) return false;
    slots[id] = params.rgvarg[j];
    present[id] = !IsMissing(slots[id]);
  }
  if (put && !put_value) return false;

  // Fill what the table knows; everything else that is missing goes to the platform as "not found",
  // which it answers with the library's own default.
  UINT last = 0;
  for (UINT i = 0; i < positional_slots; ++i) {
    if (!present[i]) {
      if (const EightByteDefault* row = FindDefault(iid, member, kind_bit, i)) {
        VariantInit(&slots[i]);
        V_VT(&slots[i]) = VT_I8;
        V_I8(&slots[i]) = row->value;
        present[i] = true;
      }
    }
    if (present[i]) last = i + 1;
  }
  // Trailing parameters that are still missing are simply left out.
  std::vector<VARIANTARG> used(slots.begin(), slots.begin() + last);
  args_.clear();
  if (put) args_.push_back(*put_value);
  for (UINT i = last; i-- > 0;) args_.push_back(used[i]);
  params_.rgvarg = args_.data();
  params_.cArgs = static_cast<UINT>(args_.size());
  params_.rgdispidNamedArgs = put ? &put_id_ : nullptr;
  params_.cNamedArgs = put ? 1 : 0;
  return true;
}

}  // namespace korvel
