// The server module: lock count, module lock and registration mode of the loaded library.
#pragma once

#include <windows.h>
#include <objidl.h>

namespace korvel {

class CKorvelCOMModule {
 public:
  CKorvelCOMModule();
  virtual ~CKorvelCOMModule();

  virtual LONG Lock();
  virtual LONG Unlock();
  virtual LONG GetLockCount();
  // The process's global interface table, created on first use and released at unload.
  virtual HRESULT GetGITPtr(IGlobalInterfaceTable** out);
  // Replacements every registry script of the module sees: APPID is the type library's GUID.
  virtual void AddCommonRGSReplacements(class RegistryReplacements& replacements);

  CRITICAL_SECTION& ModuleLock() { return lock_; }
  bool FailedInitialisation() const { return failed_init_; }
  bool PerUser() const { return per_user_; }
  void SetPerUser() { per_user_ = true; }

 private:
  volatile LONG lock_count_ = 0;
  CRITICAL_SECTION lock_;
  bool failed_init_ = false;
  bool per_user_ = false;
  IGlobalInterfaceTable* git_ = nullptr;
};

CKorvelCOMModule& Module();

// Takes the module lock for one scope.
class ModuleLockScope {
 public:
  ModuleLockScope() { EnterCriticalSection(&Module().ModuleLock()); }
  ~ModuleLockScope() { LeaveCriticalSection(&Module().ModuleLock()); }
  ModuleLockScope(const ModuleLockScope&) = delete;
  ModuleLockScope& operator=(const ModuleLockScope&) = delete;
};

}  // namespace korvel
