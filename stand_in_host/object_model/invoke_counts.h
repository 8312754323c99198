// The stand-in's record of calls in counting mode: for loops of a million calls, where a record of every
// call's arguments would cost more time and memory than the calls themselves, each kind of call is counted
// instead. Invoke and GetIDsOfNames answer exactly as they do otherwise; only what is kept differs.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>
#include <vector>

namespace korvel::standin {

// One kind of Invoke: the object's kind, the member, the flags, the types of the positional arguments in
// natural order, the answer, and whether the stand-in made the call itself while serving another.
struct CountedInvoke {
  std::wstring object;
  std::wstring member;
  WORD flags = 0;
  std::vector<VARTYPE> arg_types;
  HRESULT returned = S_OK;
  bool nested = false;

  bool operator<(const CountedInvoke& o) const;
};

// One kind of GetIDsOfNames: the object's kind and the names asked, joined by ",".
struct CountedLookup {
  std::wstring object;
  std::wstring names;
  bool nested = false;

  bool operator<(const CountedLookup& o) const;
};

class InvokeCounts {
 public:
  void Count(CountedInvoke call) { ++invokes_[std::move(call)]; }
  void Count(CountedLookup lookup) { ++lookups_[std::move(lookup)]; }
  void Clear() {
    invokes_.clear();
    lookups_.clear();
  }
  const std::map<CountedInvoke, long long>& invokes() const { return invokes_; }
  const std::map<CountedLookup, long long>& lookups() const { return lookups_; }
  // Calls that the caller made (not the stand-in's own), over every kind.
  long long caller_invokes() const;
  long long caller_lookups() const;

 private:
  std::map<CountedInvoke, long long> invokes_;
  std::map<CountedLookup, long long> lookups_;
};

}  // namespace korvel::standin
