#include "common/gmp_allocation.h"

#include <gmp.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace korvel {

// Every block carries this header in front of what the library sees; it links the block into the scope
// that was open when it was made (or into none). Its size keeps the library's blocks aligned as malloc's.
struct GmpCallScope::Block {
  union {
    struct {
      Block* prev;
      Block* next;
      GmpCallScope* scope;
    } link;
    std::max_align_t align;
  };
};

namespace {

using Block = GmpCallScope::Block;

thread_local GmpCallScope* t_open_scope = nullptr;

Block* HeaderOf(void* p) { return static_cast<Block*>(p) - 1; }
void* UserOf(Block* b) { return b + 1; }

}  // namespace

struct ScopeAccess {
  static void Link(Block* b, GmpCallScope* scope) {
    b->link.scope = scope;
    b->link.prev = nullptr;
    b->link.next = nullptr;
    if (!scope) return;
    b->link.next = scope->held_;
    if (scope->held_) scope->held_->link.prev = b;
    scope->held_ = b;
  }
  static void Unlink(Block* b) {
    GmpCallScope* scope = b->link.scope;
    if (!scope) return;
    if (b->link.prev) b->link.prev->link.next = b->link.next;
    else scope->held_ = b->link.next;
    if (b->link.next) b->link.next->link.prev = b->link.prev;
    b->link.scope = nullptr;
  }
  static void FreeHeld(GmpCallScope& scope) {
    while (Block* b = scope.held_) {
      scope.held_ = b->link.next;
      std::free(b);
    }
  }
};

namespace {

void* Allocate(size_t size) {
  auto* b = static_cast<Block*>(std::malloc(sizeof(Block) + size));
  if (!b) throw std::bad_alloc();
  ScopeAccess::Link(b, t_open_scope);
  return UserOf(b);
}

void* Reallocate(void* old, size_t, size_t size) {
  // A grown block stays where it was made: a register's storage grown inside a call is not the call's.
  Block* b = HeaderOf(old);
  GmpCallScope* scope = b->link.scope;
  ScopeAccess::Unlink(b);
  auto* moved = static_cast<Block*>(std::realloc(b, sizeof(Block) + size));
  if (!moved) {
    ScopeAccess::Link(b, scope);  // the old block stays valid and owned by the number
    throw std::bad_alloc();
  }
  ScopeAccess::Link(moved, scope);
  return UserOf(moved);
}

void Free(void* p, size_t) {
  if (!p) return;
  Block* b = HeaderOf(p);
  ScopeAccess::Unlink(b);
  std::free(b);
}

}  // namespace

void InstallGmpAllocation() { mp_set_memory_functions(Allocate, Reallocate, Free); }

GmpCallScope::GmpCallScope() : outermost_(t_open_scope == nullptr) {
  if (outermost_) t_open_scope = this;
}

GmpCallScope::~GmpCallScope() {
  if (!outermost_) return;
  t_open_scope = nullptr;
  ScopeAccess::FreeHeld(*this);
}

}  // namespace korvel
