#include "object_model/command_bars.h"

#include "object_model/member_helpers.h"
#include "object_model/object_model.h"

namespace korvel::standin {
namespace {

bool Missing(const HostObject::Call& call, size_t i) {
  return i >= call.args.size() || call.args[i]->vt == VT_ERROR || call.args[i]->vt == VT_EMPTY;
}

// An optional numeric argument; false when it is given and does not read as a number.
bool OptionalLong(const HostObject::Call& call, size_t i, LONG fallback, LONG& out) {
  out = fallback;
  return Missing(call, i) || ToLong(call.args[i], out);
}

bool OptionalText(const HostObject::Call& call, size_t i, std::wstring& out) {
  out.clear();
  if (Missing(call, i)) return true;
  OwnedVariant text;
  if (FAILED(VariantChangeType(&text, call.args[i], 0, VT_BSTR))) return false;
  out.assign(text.bstrVal, SysStringLen(text.bstrVal));
  return true;
}

bool KnownType(LONG type) {
  return type == kButton || type == kEditBox || type == kDropdown || type == kComboBox || type == kPopup;
}

std::wstring TextValue(const OwnedVariant& v) {
  return v.vt == VT_BSTR ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : SeeArg(v).text;
}

// Type, Id and Tag of FindControl and FindControls; false when one does not read.
struct Criteria {
  LONG type = 0;
  LONG id = 0;
  std::wstring tag;
};

bool ReadCriteria(const HostObject::Call& call, Criteria& c) {
  return OptionalLong(call, 0, 0, c.type) && OptionalLong(call, 1, 0, c.id) && OptionalText(call, 2, c.tag);
}

void Collect(const CommandBarControls* controls, std::vector<CommandBarControl*>& out) {
  for (size_t i = 0; i < controls->size(); ++i) {
    CommandBarControl* c = controls->At(i);
    out.push_back(c);
    if (c->controls()) Collect(c->controls(), out);
  }
}

// What FindControls hands back: the controls found when it was called, or, when the host model is set to
// live results, the controls that match at each access, so that a deletion shifts the later items.
class FoundControls : public HostObject {
 public:
  FoundControls(korvel::ComPtr<HostObject> bars, Criteria criteria, bool live)
      : HostObject(L"CommandBarControls"), bars_(std::move(bars)), criteria_(std::move(criteria)), live_(live) {
    for (CommandBarControl* c : Current()) {
      c->AddRef();
      snapshot_.push_back(korvel::ComPtr<CommandBarControl>::Adopt(c));
    }
    Define(L"Count", ReadOnly([this] { return I4(static_cast<LONG>(Items().size())); }));
    Define(L"Item", [this](Call& call) -> HRESULT {
      if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
      if (call.args.size() != 1) return DISP_E_BADPARAMCOUNT;
      LONG index = 0;
      if (!IsNumber(call.args[0]) || !ToLong(call.args[0], index)) return DISP_E_TYPEMISMATCH;
      const std::vector<CommandBarControl*> items = Items();
      if (index < 1 || static_cast<size_t>(index) > items.size()) return DISP_E_BADINDEX;
      Call plain = call;
      plain.args.clear();
      return GiveObject(plain, items[index - 1]);
    });
  }
  bool empty() const { return snapshot_.empty(); }

 private:
  std::vector<CommandBarControl*> Current() const {
    return static_cast<CommandBars*>(bars_.get())->Find(criteria_.type, criteria_.id, criteria_.tag);
  }
  std::vector<CommandBarControl*> Items() const {
    if (live_) return Current();
    std::vector<CommandBarControl*> out;
    for (const auto& c : snapshot_) out.push_back(c.get());
    return out;
  }

  korvel::ComPtr<HostObject> bars_;
  Criteria criteria_;
  bool live_;
  std::vector<korvel::ComPtr<CommandBarControl>> snapshot_;
};

struct BuiltIn {
  LONG type;
  LONG id;
  const wchar_t* caption;
};

}  // namespace

// ---- CommandBarControl

CommandBarControl::CommandBarControl(LONG type, LONG id, bool temporary, CommandBarControls* parent)
    : HostObject(L"CommandBarControl"), type_(type), id_(id), temporary_(temporary), parent_(parent) {
  Define(L"Type", ReadOnly([this] { return I4(type_); }));
  Define(L"Id", ReadOnly([this] { return I4(id_); }));
  for (const wchar_t* p : {L"Caption", L"Tag", L"OnAction", L"TooltipText", L"Parameter"})
    DefineValue(p, Text(L""), VT_BSTR);
  DefineValue(L"BeginGroup", Bool(false), VT_BOOL);
  DefineValue(L"Visible", Bool(true), VT_BOOL);
  DefineValue(L"Enabled", Bool(true), VT_BOOL);
  Define(L"Delete", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!parent_) return DISP_E_EXCEPTION;  // deleted already
    parent_->Remove(this);
    if (call.result) VariantClear(call.result);
    return S_OK;
  });
  // Each kind has the members of its own interface only: a FaceId put on a list, or AddItem on a button,
  // is refused as the host refuses it.
  if (type == kButton) DefineValue(L"FaceId", I4(0), VT_I4);
  if (type == kEditBox || type == kDropdown || type == kComboBox) DefineValue(L"Text", Text(L""), VT_BSTR);
  if (type == kDropdown || type == kComboBox) {
    DefineValue(L"ListIndex", I4(0), VT_I4);
    Define(L"ListIndex", [this](Call& call) -> HRESULT {
      if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
      if (!call.is_put()) return GiveValue(call, Value(L"ListIndex"));
      LONG index = 0;
      if (!ToLong(call.value, index)) return DISP_E_TYPEMISMATCH;
      if (index < 0 || static_cast<size_t>(index) > entries_.size()) return E_INVALIDARG;
      Value(L"ListIndex") = I4(index);
      return S_OK;
    });
    Define(L"ListCount", ReadOnly([this] { return I4(static_cast<LONG>(entries_.size())); }));
    Define(L"AddItem", [this](Call& call) -> HRESULT {
      if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
      if (call.args.empty() || call.args.size() > 2) return DISP_E_BADPARAMCOUNT;
      std::wstring text;
      if (!OptionalText(call, 0, text)) return DISP_E_TYPEMISMATCH;
      LONG at = static_cast<LONG>(entries_.size()) + 1;
      if (!OptionalLong(call, 1, at, at)) return DISP_E_TYPEMISMATCH;
      if (at < 1 || static_cast<size_t>(at) > entries_.size() + 1) return E_INVALIDARG;
      entries_.insert(entries_.begin() + (at - 1), text);
      if (call.result) VariantClear(call.result);
      return S_OK;
    });
  }
  if (type == kPopup) {
    controls_ = korvel::ComPtr<HostObject>::Adopt(new CommandBarControls());
    DefineObject(L"Controls", [this] { return controls_.get(); });
  }
}

CommandBarControl::~CommandBarControl() = default;

std::wstring CommandBarControl::TextProperty(const wchar_t* property) { return TextValue(Value(property)); }

LONG CommandBarControl::NumberProperty(const wchar_t* property) {
  LONG out = 0;
  ToLong(&Value(property), out);
  return out;
}

CommandBarControls* CommandBarControl::controls() const {
  return static_cast<CommandBarControls*>(controls_.get());
}

// ---- CommandBarControls

CommandBarControls::CommandBarControls() : HostObject(L"CommandBarControls") {
  Define(L"Count", ReadOnly([this] { return I4(static_cast<LONG>(items_.size())); }));
  Define(L"Item", ItemByIndexOrName([this](size_t i) -> HostObject* { return At(i); },
                                    [this](const std::wstring& caption) -> HostObject* {
                                      for (const auto& c : items_)
                                        if (Lower(c->TextProperty(L"Caption")) == caption) return c.get();
                                      return nullptr;
                                    }));
  Define(L"Add", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() > 5) return DISP_E_BADPARAMCOUNT;
    LONG type = kButton, id = 1, before = 0, temporary = 0;
    std::wstring parameter;
    if (!OptionalLong(call, 0, kButton, type) || !OptionalLong(call, 1, 1, id) || !OptionalText(call, 2, parameter) ||
        !OptionalLong(call, 3, static_cast<LONG>(items_.size()) + 1, before) || !OptionalLong(call, 4, 0, temporary))
      return DISP_E_TYPEMISMATCH;
    if (!KnownType(type) || before < 1 || static_cast<size_t>(before) > items_.size() + 1) return E_INVALIDARG;
    auto made = korvel::ComPtr<CommandBarControl>::Adopt(new CommandBarControl(type, id, temporary != 0, this));
    made->Value(L"Parameter") = Text(parameter.c_str());
    CommandBarControl* control = Insert(static_cast<size_t>(before - 1), made);
    Call plain = call;
    plain.args.clear();
    return GiveObject(plain, control);
  });
}

CommandBarControls::~CommandBarControls() {
  for (auto& c : items_) c->Detach();
}

CommandBarControl* CommandBarControls::Insert(size_t before, korvel::ComPtr<CommandBarControl> control) {
  CommandBarControl* raw = control.get();
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(before), std::move(control));
  return raw;
}

CommandBarControl* CommandBarControls::AddBuiltIn(LONG type, LONG id, const wchar_t* caption) {
  auto made = korvel::ComPtr<CommandBarControl>::Adopt(new CommandBarControl(type, id, false, this));
  made->Value(L"Caption") = Text(caption);
  return Insert(items_.size(), made);
}

void CommandBarControls::Remove(CommandBarControl* control) {
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if (it->get() == control) {
      control->Detach();
      items_.erase(it);
      return;
    }
}

std::vector<CommandBarControl*> AllControls(const CommandBarControls* controls) {
  std::vector<CommandBarControl*> out;
  if (controls) Collect(controls, out);
  return out;
}

// ---- CommandBars

CommandBars::CommandBars() : HostCollection(L"CommandBars") {
  struct Bar {
    const wchar_t* name;
    std::vector<BuiltIn> controls;
  };
  const Bar bars[] = {
      {L"Worksheet Menu Bar", {{kPopup, 30002, L"&File"}, {kPopup, 30003, L"&Edit"}, {kPopup, 30004, L"&View"}}},
      {L"Cell", {{kButton, 21, L"Cu&t"}, {kButton, 19, L"&Copy"}, {kButton, 22, L"&Paste"}}},
      {L"Row", {{kButton, 21, L"Cu&t"}, {kButton, 19, L"&Copy"}, {kButton, 3183, L"&Insert"}}},
      {L"Column", {{kButton, 21, L"Cu&t"}, {kButton, 19, L"&Copy"}, {kButton, 3183, L"&Insert"}}},
  };
  for (const Bar& bar : bars) {
    auto* commandbar = new HostObject(L"CommandBar");
    commandbar->DefineValue(L"Name", Text(bar.name), VT_BSTR);
    auto controls = korvel::ComPtr<HostObject>::Adopt(new CommandBarControls());
    auto* list = static_cast<CommandBarControls*>(controls.get());
    for (const BuiltIn& b : bar.controls) list->AddBuiltIn(b.type, b.id, b.caption);
    commandbar->DefineObject(L"Controls", [controls] { return controls.get(); });
    bar_controls_.emplace_back(bar.name, controls);
    Append(korvel::ComPtr<HostObject>::Adopt(commandbar));
  }
  // The built-in menus of the File popup, which the add-in's controls follow.
  CommandBarControls* file = ControlsOf(L"Worksheet Menu Bar")->At(0)->controls();
  file->AddBuiltIn(kButton, 18, L"&New...");
  file->AddBuiltIn(kButton, 23, L"&Open...");
  file->AddBuiltIn(kButton, 106, L"&Close");

  Define(L"FindControl", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() > 4) return DISP_E_BADPARAMCOUNT;
    Criteria c;
    if (!ReadCriteria(call, c)) return DISP_E_TYPEMISMATCH;
    const std::vector<CommandBarControl*> found = Find(c.type, c.id, c.tag);
    Call plain = call;
    plain.args.clear();
    return GiveObject(plain, found.empty() ? nullptr : found.front());
  });
  Define(L"FindControls", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() > 4) return DISP_E_BADPARAMCOUNT;
    Criteria c;
    if (!ReadCriteria(call, c)) return DISP_E_TYPEMISMATCH;
    AddRef();
    auto found = korvel::ComPtr<HostObject>::Adopt(new FoundControls(
        korvel::ComPtr<HostObject>::Adopt(this), c, ObjectModel::Get().found_controls_live()));
    Call plain = call;
    plain.args.clear();
    // Nothing when no control matches, as the host answers.
    return GiveObject(plain, static_cast<FoundControls*>(found.get())->empty() ? nullptr : found.get());
  });
}

CommandBarControls* CommandBars::ControlsOf(const std::wstring& bar) const {
  for (const auto& [name, controls] : bar_controls_)
    if (Lower(name) == Lower(bar)) return static_cast<CommandBarControls*>(controls.get());
  return nullptr;
}

std::vector<CommandBarControl*> CommandBars::Find(LONG type, LONG id, const std::wstring& tag) const {
  std::vector<CommandBarControl*> out;
  for (const auto& entry : bar_controls_)
    for (CommandBarControl* c : AllControls(static_cast<CommandBarControls*>(entry.second.get())))
      if ((type == 0 || c->type() == type) && (id == 0 || c->id() == id) &&
          (tag.empty() || c->TextProperty(L"Tag") == tag))
        out.push_back(c);
  return out;
}

std::vector<CommandBarControl*> CommandBars::Tagged() const {
  std::vector<CommandBarControl*> out;
  for (CommandBarControl* c : Find(0, 0, L""))
    if (!c->TextProperty(L"Tag").empty()) out.push_back(c);
  return out;
}

}  // namespace korvel::standin
