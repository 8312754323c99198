#include "server/module_pin.h"

#include "registers/register_store.h"
#include "server/module.h"

namespace korvel {

void PinThisModule() {
  HMODULE self = nullptr;
  // A failure leaves the module unloadable as before; nothing else depends on the pin.
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCWSTR>(&PinThisModule), &self);
}

HRESULT ReturnToLoadStateIfUnused() {
  // Both stores are held while the lock count is read: an object made meanwhile runs its first member only
  // after the stores are fresh, as a creation after an unload would.
  StoreScope floats(FloatRegisters().lock());
  StoreScope integers(IntegerRegisters().lock());
  if (Module().GetLockCount() != 0) return S_FALSE;
  IntegerRegisters().ReturnToLoadState();
  FloatRegisters().ReturnToLoadState();
  return S_OK;
}

}  // namespace korvel
