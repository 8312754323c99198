// The server's static objects, defined in one translation unit so that their order is fixed: the library
// builds them top to bottom when it loads and destroys them bottom to top when it unloads. The stores outlive
// the module object, so no object or class factory can reach a freed register.
#include "common/gmp_allocation.h"
#include "server/module.h"
#include "registers/register_store.h"

namespace korvel {
namespace {

struct GmpAllocationSetup {
  GmpAllocationSetup() { InstallGmpAllocation(); }
};

GmpAllocationSetup gmp_allocation_setup;
FloatStore float_store;
IntegerStore integer_store;
CKorvelCOMModule module;

}  // namespace

FloatStore& FloatRegisters() { return float_store; }
IntegerStore& IntegerRegisters() { return integer_store; }
CKorvelCOMModule& Module() { return module; }

}  // namespace korvel
