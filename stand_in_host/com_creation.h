// Ole32's CLSIDFromProgID and CoCreateInstance as the add-in sees them: recorded and passed through to the
// real calls (the run registers the build's server machine-wide), unless a test makes them fail.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace korvel::standin {

struct CreationCall {
  std::wstring prog_id;  // CLSIDFromProgID
  CLSID clsid{};         // CoCreateInstance
  bool outer = false;
  DWORD context = 0;
  IID iid{};
  HRESULT returned = S_OK;
};

class ComCreation {
 public:
  static ComCreation& Get();
  int Hook(HMODULE module);
  void Reset();

  // S_OK passes through again.
  void FailProgIdLookup(HRESULT hr) { prog_id_failure_ = hr; }
  void FailCreation(HRESULT hr) { creation_failure_ = hr; }
  const std::vector<CreationCall>& lookups() const { return lookups_; }
  const std::vector<CreationCall>& creations() const { return creations_; }

  HRESULT Lookup(LPCOLESTR prog_id, CLSID* clsid);
  HRESULT Create(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out);

 private:
  HRESULT prog_id_failure_ = S_OK;
  HRESULT creation_failure_ = S_OK;
  std::vector<CreationCall> lookups_;
  std::vector<CreationCall> creations_;
};

}  // namespace korvel::standin
