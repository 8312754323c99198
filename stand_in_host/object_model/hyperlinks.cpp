#include "object_model/hyperlinks.h"

#include <cwctype>

#include "object_model/member_helpers.h"
#include "object_model/object_model.h"
#include "object_model/sheet_tabs.h"

namespace korvel::standin {
namespace {

std::wstring TextArg(const VARIANT* v) {
  if (!v || v->vt != VT_BSTR) return std::wstring();
  return std::wstring(v->bstrVal, SysStringLen(v->bstrVal));
}

// An optional argument that the caller left out arrives as VT_ERROR DISP_E_PARAMNOTFOUND.
bool Given(const HostObject::Call& call, size_t i) {
  return i < call.args.size() && !(call.args[i]->vt == VT_ERROR && call.args[i]->scode == DISP_E_PARAMNOTFOUND);
}

// The object a member of `object` gives (a reference the caller releases), or null.
korvel::ComPtr<HostObject> ObjectMember(HostObject* object, const wchar_t* name) {
  HostObject::Member member = object->MemberOf(name);
  if (!member) return {};
  OwnedVariant out;
  HostObject::Call call;
  call.flags = DISPATCH_PROPERTYGET;
  call.result = &out;
  if (FAILED(member(call)) || out.vt != VT_DISPATCH || !out.pdispVal) return {};
  auto* found = static_cast<HostObject*>(out.pdispVal);
  found->AddRef();
  return korvel::ComPtr<HostObject>::Adopt(found);
}

// "A1" or "$A$1" within the sheet's bounds.
bool ReadCell(const std::wstring& text, LONG& row, LONG& column) {
  size_t i = 0;
  if (i < text.size() && text[i] == L'$') ++i;
  LONG c = 0;
  size_t letters = 0;
  while (i < text.size() && std::iswalpha(text[i]) && text[i] < 128) {
    c = c * 26 + (std::towupper(text[i]) - L'A' + 1);
    ++i;
    if (++letters > 3) return false;
  }
  if (!letters) return false;
  if (i < text.size() && text[i] == L'$') ++i;
  LONG r = 0;
  size_t digits = 0;
  while (i < text.size() && std::iswdigit(text[i])) {
    r = r * 10 + (text[i] - L'0');
    ++i;
    if (++digits > 7) return false;
  }
  if (!digits || i != text.size() || r < 1 || r > 1048576 || c < 1 || c > 16384) return false;
  row = r;
  column = c;
  return true;
}

class Hyperlink : public HostObject {
 public:
  Hyperlink(HostObject* sheet, const std::wstring& address, const std::wstring& sub_address,
            const std::wstring& screen_tip, const std::wstring& text)
      : HostObject(L"Hyperlink") {
    DefineValue(L"Address", Text(address.c_str()), VT_BSTR);
    DefineValue(L"SubAddress", Text(sub_address.c_str()), VT_BSTR);
    DefineValue(L"ScreenTip", Text(screen_tip.c_str()), VT_BSTR);
    DefineValue(L"TextToDisplay", Text(text.c_str()), VT_BSTR);
    DefineObject(L"Parent", [sheet] { return sheet; });
    // Activates the sheet that the sub-address names in the anchor's workbook; an address of another
    // document, or a sub-address the host cannot read, fails as the host's Follow fails.
    Define(L"Follow", [this, sheet](Call& call) -> HRESULT {
      if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
      if (!TextArg(&Value(L"Address")).empty()) return DISP_E_EXCEPTION;
      std::wstring name;
      LONG row = 0, column = 0;
      if (!ReadSheetReference(TextArg(&Value(L"SubAddress")), name, row, column)) return DISP_E_EXCEPTION;
      Workbook* book = WorkbookOfSheet(sheet);
      HostObject* target = book ? book->sheets()->Find(name) : nullptr;
      if (!target || target->kind() != L"Worksheet") return DISP_E_EXCEPTION;
      Application* app = ObjectModel::Get().application();
      app->set_active_workbook(book);
      app->set_active_sheet(static_cast<Worksheet*>(target));
      if (call.result) VariantInit(call.result);
      return S_OK;
    });
  }
};

}  // namespace

bool ReadSheetReference(const std::wstring& text, std::wstring& sheet, LONG& row, LONG& column) {
  const size_t bang = text.rfind(L'!');
  if (bang == std::wstring::npos || bang == 0) return false;
  const std::wstring head = text.substr(0, bang);
  std::wstring name;
  if (head[0] == L'\'') {
    // Quoted: apostrophes inside come doubled, and the quote must close right before the "!".
    if (head.size() < 3 || head.back() != L'\'') return false;
    for (size_t i = 1; i + 1 < head.size(); ++i) {
      if (head[i] == L'\'') {
        if (i + 2 >= head.size() || head[i + 1] != L'\'') return false;
        ++i;
      }
      name += head[i];
    }
  } else {
    // Unquoted only a plain name: letters, digits, "_" and "."; anything else needs the quotes.
    for (wchar_t c : head)
      if (!(std::iswalnum(c) || c == L'_' || c == L'.')) return false;
    name = head;
  }
  if (!ReadCell(text.substr(bang + 1), row, column)) return false;
  sheet = name;
  return true;
}

void AttachHyperlinks(HostObject* sheet) {
  auto* links = new HostCollection(L"Hyperlinks");
  sheet->KeepPart(std::shared_ptr<HostObject>(links, [](HostObject* p) { p->Release(); }));
  sheet->DefineObject(L"Hyperlinks", [links] { return links; });
  links->Define(L"Add", [sheet, links](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() < 2 || call.args.size() > 5) return DISP_E_BADPARAMCOUNT;
    if (call.args[0]->vt != VT_DISPATCH || !call.args[0]->pdispVal) return DISP_E_TYPEMISMATCH;
    for (size_t i = 1; i < call.args.size(); ++i)
      if (Given(call, i) && call.args[i]->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    auto* anchor = static_cast<HostObject*>(call.args[0]->pdispVal);
    // The anchor must be a range of this sheet.
    if (anchor->kind() != L"Range" || ObjectMember(anchor, L"Worksheet").get() != sheet) return DISP_E_EXCEPTION;
    const std::wstring address = TextArg(call.args[1]);
    const std::wstring sub_address = Given(call, 2) ? TextArg(call.args[2]) : std::wstring();
    const std::wstring tip = Given(call, 3) ? TextArg(call.args[3]) : std::wstring();
    const std::wstring text = Given(call, 4) ? TextArg(call.args[4]) : (address.empty() ? sub_address : address);
    // The text goes into the cell as the user would type it.
    HostObject::Member formula = anchor->MemberOf(L"Formula");
    if (!formula) return DISP_E_EXCEPTION;
    OwnedVariant typed = Text(text.c_str());
    HostObject::Call put;
    put.flags = DISPATCH_PROPERTYPUT;
    put.value = &typed;
    if (FAILED(formula(put))) return DISP_E_EXCEPTION;
    HostObject* link =
        links->Append(korvel::ComPtr<HostObject>::Adopt(new Hyperlink(sheet, address, sub_address, tip, text)));
    HostObject::Call plain = call;
    plain.args.clear();
    return HostObject::GiveObject(plain, link);
  });
}

HostCollection* HyperlinksOf(HostObject* sheet) {
  korvel::ComPtr<HostObject> links = ObjectMember(sheet, L"Hyperlinks");
  return links && links->kind() == L"Hyperlinks" ? static_cast<HostCollection*>(links.get()) : nullptr;
}

}  // namespace korvel::standin
