#include "object_model/add_ins.h"

#include "object_model/member_helpers.h"

namespace korvel::standin {

AddInList::AddInList(Application* application) : application_(application) {
  add_ins_ = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"AddIns"));
  books_ = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"AddInWorkbooks"));
  add_ins_->DefineObject(L"Application", [application] { return static_cast<HostObject*>(application); });
  application->DefineObject(L"AddIns", [list = add_ins_] { return list.get(); });

  HostCollection* workbooks = application->workbooks();
  HostObject::Member by_index_or_name = workbooks->MemberOf(L"Item");
  workbooks->Define(L"Item", [books = books_, by_index_or_name](HostObject::Call& call) -> HRESULT {
    if (!call.is_put() && call.args.size() == 1 && call.args[0]->vt == VT_BSTR) {
      const VARIANT* name = call.args[0];
      if (HostObject* book = static_cast<HostCollection*>(books.get())->Find(
              std::wstring(name->bstrVal, SysStringLen(name->bstrVal)))) {
        HostObject::Call plain = call;
        plain.args.clear();
        return HostObject::GiveObject(plain, book);
      }
    }
    return by_index_or_name(call);
  });
}

Workbook* AddInList::Add(const std::wstring& name, bool open_as_workbook) {
  auto entry = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"AddIn"));
  entry->DefineValue(L"Name", Text(name.c_str()), VT_BSTR);
  entry->DefineValue(L"FullName", Text((L"C:\\AddIns\\" + name).c_str()), VT_BSTR);
  entry->DefineValue(L"Installed", Bool(true), VT_BOOL);
  entry->DefineObject(L"Application", [app = application_] { return static_cast<HostObject*>(app); });
  add_ins()->Append(entry);
  if (!open_as_workbook) return nullptr;
  auto* book = new Workbook(application_, name, 1);
  book->DefineValue(L"IsAddin", Bool(true), VT_BOOL);
  books()->Append(korvel::ComPtr<HostObject>::Adopt(book));
  return book;
}

}  // namespace korvel::standin
