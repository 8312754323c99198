// The command bars of one window of the stand-in host: "Worksheet Menu Bar" (whose first control is the
// "&File" popup), and the "Cell", "Row" and "Column" context menus, each with a few built-in controls. Controls
// are buttons, edit boxes, drop-down lists, combo boxes and popups, each with the members the host gives
// its kind; FindControl and FindControls search every bar, popups included.
#pragma once

#include "object_model/host_object.h"

namespace korvel::standin {

class CommandBarControls;

// The host's control-type numbers.
enum ControlType : LONG {
  kButton = 1,
  kEditBox = 2,
  kDropdown = 3,
  kComboBox = 4,
  kPopup = 10,
};

class CommandBarControl : public HostObject {
 public:
  CommandBarControl(LONG type, LONG id, bool temporary, CommandBarControls* parent);
  ~CommandBarControl() override;

  LONG type() const { return type_; }
  LONG id() const { return id_; }
  bool temporary() const { return temporary_; }
  // A text property (Caption, Tag, OnAction, TooltipText, Text) or a number property (FaceId, ListIndex).
  std::wstring TextProperty(const wchar_t* property);
  LONG NumberProperty(const wchar_t* property);
  // The entries of a list or combo box, in list order.
  const std::vector<std::wstring>& entries() const { return entries_; }
  // The controls of a popup; null for other kinds.
  CommandBarControls* controls() const;
  // The collection that holds the control; null once it was deleted.
  CommandBarControls* parent() const { return parent_; }
  void Detach() { parent_ = nullptr; }

 private:
  LONG type_;
  LONG id_;
  bool temporary_;
  CommandBarControls* parent_;
  std::vector<std::wstring> entries_;
  korvel::ComPtr<HostObject> controls_;
};

// The controls of a command bar or of a popup: Count, Item (by 1-based index or by caption) and Add
// (Type, Id, Parameter, Before, Temporary), which puts the new control before the control at Before.
class CommandBarControls : public HostObject {
 public:
  CommandBarControls();
  ~CommandBarControls() override;
  size_t size() const { return items_.size(); }
  CommandBarControl* At(size_t index) const { return index < items_.size() ? items_[index].get() : nullptr; }
  // A built-in control at the end, as the host's own menus hold them.
  CommandBarControl* AddBuiltIn(LONG type, LONG id, const wchar_t* caption);
  void Remove(CommandBarControl* control);

 private:
  CommandBarControl* Insert(size_t before, korvel::ComPtr<CommandBarControl> control);
  std::vector<korvel::ComPtr<CommandBarControl>> items_;
};

// The command bars of one window.
class CommandBars : public HostCollection {
 public:
  CommandBars();
  // The controls of the bar named `bar` (any case); null when there is none.
  CommandBarControls* ControlsOf(const std::wstring& bar) const;
  // Every control that matches, in search order: bar by bar, each control before the controls of its popup.
  // A type or id of 0, and an empty tag, match any.
  std::vector<CommandBarControl*> Find(LONG type, LONG id, const std::wstring& tag) const;
  // Every control anywhere in the bars whose Tag is not empty, in search order.
  std::vector<CommandBarControl*> Tagged() const;

 private:
  std::vector<std::pair<std::wstring, korvel::ComPtr<HostObject>>> bar_controls_;  // by bar name
};

// Every control of `controls` and of the popups inside it, depth first.
std::vector<CommandBarControl*> AllControls(const CommandBarControls* controls);

}  // namespace korvel::standin
