// The VBA project of each workbook and its References: AddFromGuid, Item by name or index, Remove, Count.
// The host's trust setting decides whether programs reach the projects at all.
#pragma once

#include "object_model/host_object.h"

namespace korvel::standin {

class VbaProject : public HostObject {
 public:
  explicit VbaProject(HostObject* workbook);
  ~VbaProject() override;
  HostCollection* references() const { return static_cast<HostCollection*>(references_.get()); }
  // A protected project refuses every change of its references.
  void set_protected(bool p) { protected_ = p; }
  // Names of the references that were added (the built-in ones left out), in the project's order.
  std::vector<std::wstring> AddedReferences() const;

 private:
  HRESULT AddFromGuid(Call& call);
  HRESULT Remove(Call& call);
  korvel::ComPtr<HostObject> references_;
  HostObject* workbook_;
  bool protected_ = false;
};

// Gives `workbook` its project and the member VBProject, which fails while access is not trusted.
void AttachVbaProject(HostObject* workbook);
// The project of a workbook made by the model; null for any other object.
VbaProject* ProjectOf(HostObject* workbook);

}  // namespace korvel::standin
