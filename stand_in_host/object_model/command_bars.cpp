#include "object_model/application.h"

#include "object_model/member_helpers.h"

namespace korvel::standin {

void AddCommandBars(HostCollection* bars) {
  for (const wchar_t* bar : {L"Worksheet Menu Bar", L"Cell", L"Row", L"Column"}) {
    auto* commandbar = new HostObject(L"CommandBar");
    commandbar->DefineValue(L"Name", Text(bar), VT_BSTR);
    auto controls = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"CommandBarControls"));
    static_cast<HostCollection*>(controls.get())->set_factory([](HostObject::Call& call) {
      auto control = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"CommandBarControl"));
      LONG type = 1;
      if (!call.args.empty()) ToLong(call.args[0], type);
      control->DefineValue(L"Type", I4(type), VT_I4);
      for (const wchar_t* p : {L"Caption", L"Tag", L"OnAction", L"TooltipText", L"Text"})
        control->DefineValue(p, Text(L""), VT_BSTR);
      control->DefineValue(L"FaceId", I4(0), VT_I4);
      control->DefineValue(L"ListIndex", I4(0), VT_I4);
      control->DefineValue(L"BeginGroup", Bool(false), VT_BOOL);
      return control;
    });
    commandbar->DefineObject(L"Controls", [controls] { return controls.get(); });
    bars->Append(korvel::ComPtr<HostObject>::Adopt(commandbar));
  }
}

}  // namespace korvel::standin
