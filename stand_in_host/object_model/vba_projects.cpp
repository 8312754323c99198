#include "object_model/vba_projects.h"

#include <map>

#include "object_model/member_helpers.h"
#include "object_model/object_model.h"

namespace korvel::standin {
namespace {

// The type libraries this host can reference, as its registry would list them.
struct KnownLibrary {
  const wchar_t* guid;
  LONG major;
  LONG minor;
  const wchar_t* name;
};
const KnownLibrary kKnownLibraries[] = {
    {L"{55B1F1A1-2AAA-4D31-8677-2EA3AA5D58F2}", 1, 0, L"KorvelCOM"},
};

// What every new project references before anyone adds anything; the first two cannot be removed.
struct BuiltIn {
  const wchar_t* name;
  bool fixed;
};
const BuiltIn kBuiltIns[] = {{L"VBA", true}, {L"Excel", true}, {L"stdole", false}, {L"Office", false}};

// The failure the host raises for a refused change (its run-time error as an exception).
constexpr HRESULT kRefused = DISP_E_EXCEPTION;

std::map<HostObject*, VbaProject*>& Projects() {
  static std::map<HostObject*, VbaProject*> projects;
  return projects;
}

korvel::ComPtr<HostObject> MakeReference(const std::wstring& name, const std::wstring& guid, LONG major, LONG minor,
                                         bool built_in) {
  auto reference = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"Reference"));
  reference->DefineValue(L"Name", Text(name.c_str()), VT_BSTR);
  reference->DefineValue(L"GUID", Text(guid.c_str()), VT_BSTR);
  reference->DefineValue(L"Major", I4(major), VT_I4);
  reference->DefineValue(L"Minor", I4(minor), VT_I4);
  reference->DefineValue(L"BuiltIn", Bool(built_in), VT_BOOL);
  reference->DefineValue(L"IsBroken", Bool(false), VT_BOOL);
  return reference;
}

std::wstring TextValue(HostObject* object, const wchar_t* name) {
  const OwnedVariant& v = object->Value(name);
  return v.vt == VT_BSTR ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : std::wstring();
}

}  // namespace

VbaProject::VbaProject(HostObject* workbook) : HostObject(L"VBProject"), workbook_(workbook) {
  references_ = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"References"));
  for (const BuiltIn& b : kBuiltIns) references()->Append(MakeReference(b.name, L"", 0, 0, b.fixed));
  DefineValue(L"Name", Text(L"VBAProject"), VT_BSTR);
  Define(L"Protection", ReadOnly([this] { return I4(protected_ ? 1 : 0); }));
  DefineObject(L"References", [this] { return references_.get(); });
  references_->Define(L"AddFromGuid", [this](Call& call) { return AddFromGuid(call); });
  references_->Define(L"Remove", [this](Call& call) { return Remove(call); });
  Projects()[workbook_] = this;
}

VbaProject::~VbaProject() {
  auto it = Projects().find(workbook_);
  if (it != Projects().end() && it->second == this) Projects().erase(it);
}

HRESULT VbaProject::AddFromGuid(Call& call) {
  if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
  if (call.args.size() != 3) return DISP_E_BADPARAMCOUNT;
  if (call.args[0]->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
  LONG major = 0, minor = 0;
  if (!ToLong(call.args[1], major) || !ToLong(call.args[2], minor)) return DISP_E_TYPEMISMATCH;
  GUID wanted{};
  if (FAILED(CLSIDFromString(call.args[0]->bstrVal, &wanted))) return kRefused;
  const KnownLibrary* found = nullptr;
  for (const KnownLibrary& library : kKnownLibraries) {
    GUID known{};
    CLSIDFromString(const_cast<LPOLESTR>(library.guid), &known);
    // 0.0 asks for the newest version; otherwise the major version must match and the minor one be there.
    if (known == wanted && ((major == 0 && minor == 0) || (major == library.major && minor <= library.minor)))
      found = &library;
  }
  if (!found || protected_) return kRefused;
  // A library referenced already, or a name taken, is refused.
  for (size_t i = 0; i < references()->size(); ++i) {
    HostObject* r = references()->At(i);
    if (Lower(TextValue(r, L"Name")) == Lower(found->name) || Lower(TextValue(r, L"GUID")) == Lower(found->guid))
      return kRefused;
  }
  HostObject* added = references()->Append(MakeReference(found->name, found->guid, found->major, found->minor, false));
  Call plain = call;
  plain.args.clear();
  return GiveObject(plain, added);
}

HRESULT VbaProject::Remove(Call& call) {
  if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
  if (call.args.size() != 1) return DISP_E_BADPARAMCOUNT;
  const VARIANT* arg = call.args[0];
  if (arg->vt != VT_DISPATCH || !arg->pdispVal) return DISP_E_TYPEMISMATCH;
  HostObject* target = nullptr;
  for (size_t i = 0; i < references()->size(); ++i)
    if (static_cast<IDispatch*>(references()->At(i)) == arg->pdispVal) target = references()->At(i);
  if (!target || protected_) return kRefused;
  const OwnedVariant& built_in = target->Value(L"BuiltIn");
  if (built_in.vt == VT_BOOL && built_in.boolVal) return kRefused;
  references()->Remove(target);
  if (call.result) VariantClear(call.result);
  return S_OK;
}

std::vector<std::wstring> VbaProject::AddedReferences() const {
  std::vector<std::wstring> names;
  for (size_t i = 0; i < references()->size(); ++i) {
    HostObject* r = references()->At(i);
    if (!TextValue(r, L"GUID").empty()) names.push_back(TextValue(r, L"Name"));
  }
  return names;
}

void AttachVbaProject(HostObject* workbook) {
  auto project = korvel::ComPtr<HostObject>::Adopt(new VbaProject(workbook));
  workbook->Define(L"VBProject", [project](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    // The host's answer while "Trust access to the VBA project object model" is off.
    if (!ObjectModel::Get().vba_access_trusted()) return kRefused;
    return HostObject::GiveObject(call, project.get());
  });
}

VbaProject* ProjectOf(HostObject* workbook) {
  auto it = Projects().find(workbook);
  return it == Projects().end() ? nullptr : it->second;
}

}  // namespace korvel::standin
