#include "common/gmp_allocation.h"

#include <gmp.h>

#include <cstdlib>
#include <new>

namespace korvel {
namespace {

void* Allocate(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* Reallocate(void* old, size_t, size_t size) {
  void* p = std::realloc(old, size ? size : 1);
  if (!p) throw std::bad_alloc();  // the old block stays valid and owned by the number
  return p;
}

void Free(void* p, size_t) { std::free(p); }

}  // namespace

void InstallGmpAllocation() { mp_set_memory_functions(Allocate, Reallocate, Free); }

}  // namespace korvel
