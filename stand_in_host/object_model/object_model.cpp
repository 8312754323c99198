#include "object_model/object_model.h"

#include "object_model/member_helpers.h"

namespace korvel::standin {

ObjectModel& ObjectModel::Get() {
  static ObjectModel model;
  return model;
}

ObjectModel::ObjectModel() { Reset(); }

void ObjectModel::Reset(bool with_workbook) {
  failures_.clear();
  found_controls_live_ = false;
  count_large_type_ = VT_I8;
  application_ = korvel::ComPtr<HostObject>::Adopt(new Application(with_workbook));
  // Cleared after the old model went, so that nothing its objects recorded on the way out remains.
  invokes_.clear();
  lookups_.clear();
  faults_.clear();
  serving_ = 0;
  counting_ = false;
  counts_.Clear();
  events_ = ApplicationEvents::AttachTo(application());
  add_ins_ = std::make_shared<AddInList>(application());
  vba_access_trusted_ = true;
}

const MemberFailure* ObjectModel::MatchFailure(const HostObject* object, const std::wstring& member, WORD flags) {
  for (MemberFailure& f : failures_) {
    if (f.times == 0) continue;
    if (f.target && f.target != object) continue;
    if (!f.object.empty() && Lower(f.object) != Lower(object->kind())) continue;
    if (!f.member.empty() && Lower(f.member) != Lower(member)) continue;
    if (f.flags && !(f.flags & flags)) continue;
    if (f.after > 0) {
      --f.after;
      continue;
    }
    if (f.times > 0) --f.times;
    return &f;
  }
  return nullptr;
}

std::vector<std::wstring> ObjectModel::Puts() const {
  std::vector<std::wstring> out;
  for (const SeenInvoke& s : invokes_)
    if ((s.flags & DISPATCH_PROPERTYPUT) && !s.named_args.empty())
      out.push_back(s.member + L"=" + s.named_args.back().text + (s.returned == S_OK ? L"" : L" (failed)"));
  return out;
}

}  // namespace korvel::standin
