#include "object_model/names.h"

#include "object_model/member_helpers.h"
#include "object_model/workbooks.h"

namespace korvel::standin {

korvel::ComPtr<HostObject> MakeNames() { return korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"Names")); }

HostObject* AddName(Workbook* book, const std::wstring& name, const std::wstring& value, bool visible) {
  HostCollection* names = book->names();
  auto item = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"Name"));
  item->DefineValue(L"Name", Text(name.c_str()), VT_BSTR);
  item->DefineValue(L"Value", Text(value.c_str()), VT_BSTR);
  item->DefineValue(L"Visible", Bool(visible), VT_BOOL);
  // The name leaves its collection; a caller that still holds it holds an object of no collection.
  HostObject* self = item.get();
  item->Define(L"Delete", [names, self](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    if (call.result) VariantInit(call.result);
    return names->Remove(self) ? S_OK : DISP_E_EXCEPTION;
  });
  return names->Append(item);
}

std::vector<std::wstring> NameList(Workbook* book) {
  std::vector<std::wstring> out;
  for (size_t i = 0; i < book->names()->size(); ++i) {
    const OwnedVariant& n = book->names()->At(i)->Value(L"Name");
    out.emplace_back(n.bstrVal, SysStringLen(n.bstrVal));
  }
  return out;
}

}  // namespace korvel::standin
