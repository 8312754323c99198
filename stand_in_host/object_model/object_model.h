// The stand-in host's object model as a whole: the Application, failures a test sets on members, and the
// record of every Invoke.
#pragma once

#include "object_model/add_ins.h"
#include "object_model/application.h"
#include "object_model/events.h"
#include "object_model/invoke_counts.h"
#include "object_model/vba_projects.h"

namespace korvel::standin {

// A failure a test sets on a member: every matching Invoke returns `hr` (and may first clear or write the
// result argument, as some callees do), once the first `after` matching calls have gone through.
struct MemberFailure {
  std::wstring object;  // kind; empty for any
  std::wstring member;  // empty for any
  WORD flags = 0;  // 0 for any call; otherwise the call must share a bit with these
  HRESULT hr = E_FAIL;
  int times = -1;  // -1 for every call
  bool clear_result = false;
  bool write_result = false;  // writes VT_I4 7 into the result before failing
  int after = 0;  // matching calls that succeed before the failures start
  const HostObject* target = nullptr;  // this one object only; null for any object of the kind

  // The (n + 1)-th Invoke of any member of any object fails, once.
  static MemberFailure AnyCallAfter(int n) {
    MemberFailure f;
    f.times = 1;
    f.after = n;
    return f;
  }
};

class ObjectModel {
 public:
  static ObjectModel& Get();
  // A fresh Application with one workbook of three sheets and one window, or with no workbook.
  void Reset(bool with_workbook = true);
  Application* application() const { return static_cast<Application*>(application_.get()); }
  // The Application's events, its AddIns and the add-ins open as workbooks.
  ApplicationEvents* events() const { return events_; }
  AddInList* add_ins() const { return add_ins_.get(); }
  // The host's "Trust access to the VBA project object model": off, every VBProject fails.
  bool vba_access_trusted() const { return vba_access_trusted_; }
  void set_vba_access_trusted(bool trusted) { vba_access_trusted_ = trusted; }

  void Fail(MemberFailure failure) { failures_.push_back(std::move(failure)); }
  void ClearFailures() { failures_.clear(); }
  const std::vector<SeenInvoke>& invokes() const { return invokes_; }
  void ClearInvokes() { invokes_.clear(); lookups_.clear(); counts_.Clear(); }
  // Every GetIDsOfNames, in order.
  const std::vector<SeenLookup>& lookups() const { return lookups_; }
  // Counting mode, for runs of a million calls: while on, every Invoke and GetIDsOfNames answers as always
  // but is only counted by kind (counts()), not recorded in invokes() and lookups(). Off after Reset.
  void set_counting(bool on) { counting_ = on; }
  bool counting() const { return counting_; }
  const InvokeCounts& counts() const { return counts_; }
  // What a caller did that the host would not survive or would leak from: a result argument handed over
  // with something in it, a call on a released object. Each one fails the test that caused it.
  const std::vector<std::wstring>& faults() const { return faults_; }
  void ClearFaults() { faults_.clear(); }
  void Fault(std::wstring what) { faults_.push_back(std::move(what)); }
  // Objects made to answer one call that are still alive (HostObject::MarkMadeForCall).
  long made_for_call_alive() const { return HostObject::made_for_call_alive(); }
  // Puts as "Member=value" texts, in order (the value as text).
  std::vector<std::wstring> Puts() const;
  // Whether the collections that CommandBars.FindControls gives follow later deletions (live) or keep the
  // controls found at the call (a snapshot, the default).
  bool found_controls_live() const { return found_controls_live_; }
  void set_found_controls_live(bool live) { found_controls_live_ = live; }
  // The type in which Range.CountLarge answers: VT_I8 (the 64-bit host's) or VT_R8.
  VARTYPE count_large_type() const { return count_large_type_; }
  void set_count_large_type(VARTYPE type) { count_large_type_ = type; }

  // Called by HostObject.
  const MemberFailure* MatchFailure(const HostObject* object, const std::wstring& member, WORD flags);
  void Record(SeenInvoke seen) { invokes_.push_back(std::move(seen)); }
  void Record(SeenLookup seen) { lookups_.push_back(std::move(seen)); }
  void Count(CountedInvoke call) { counts_.Count(std::move(call)); }
  void Count(CountedLookup lookup) { counts_.Count(std::move(lookup)); }
  // While a member runs, calls it makes on other objects are the stand-in's own.
  bool serving() const { return serving_ > 0; }
  void BeginServing() { ++serving_; }
  void EndServing() { --serving_; }

 private:
  ObjectModel();
  korvel::ComPtr<HostObject> application_;
  ApplicationEvents* events_ = nullptr;  // kept alive by the Application
  std::shared_ptr<AddInList> add_ins_;
  bool vba_access_trusted_ = true;
  std::vector<MemberFailure> failures_;
  std::vector<SeenInvoke> invokes_;
  bool found_controls_live_ = false;
  VARTYPE count_large_type_ = VT_I8;
  std::vector<SeenLookup> lookups_;
  std::vector<std::wstring> faults_;
  int serving_ = 0;
  bool counting_ = false;
  InvokeCounts counts_;
};

}  // namespace korvel::standin
