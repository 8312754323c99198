#include "common/gmp_allocation.h"

#include <gmp.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

namespace korvel {

// Every block carries this header in front of what the library sees. A block from the heap is linked into
// the scope that was open when it was made (or into none); a block from a scope's arena is marked as such.
// The header's size keeps the library's blocks aligned as malloc's.
struct GmpCallScope::Block {
  union {
    struct {
      Block* prev;
      Block* next;
      GmpCallScope* scope;
      size_t arena;  // 1 for a block of a scope's arena
    } link;
    std::max_align_t align;
  };
};

namespace {

using Block = GmpCallScope::Block;

// Blocks up to this size come from the open scope's arena while it has room.
constexpr size_t kArenaLargest = 1024;

// A plain pointer: a thread-local object with a destructor would be destroyed after the runtime's emulated
// thread-local storage is freed (MinGW), and free garbage at every thread's exit.
thread_local GmpCallScope* t_open_scope = nullptr;

Block* HeaderOf(void* p) { return static_cast<Block*>(p) - 1; }
void* UserOf(Block* b) { return b + 1; }

size_t Rounded(size_t size) {
  const size_t a = alignof(std::max_align_t);
  return (size + a - 1) / a * a;
}

}  // namespace

struct ScopeAccess {
  // A block of the open scope's arena when the block is small and fits; null otherwise.
  static Block* FromArena(size_t size) {
    GmpCallScope* scope = t_open_scope;
    if (!scope || size > kArenaLargest) return nullptr;
    const size_t need = sizeof(Block) + Rounded(size);
    if (GmpCallScope::kArenaBytes - scope->arena_used_ < need) return nullptr;
    auto* b = reinterpret_cast<Block*>(scope->arena_ + scope->arena_used_);
    scope->arena_used_ += need;
    b->link = {nullptr, nullptr, nullptr, 1};
    return b;
  }
  static void Link(Block* b, GmpCallScope* scope) {
    b->link.scope = scope;
    b->link.prev = nullptr;
    b->link.next = nullptr;
    b->link.arena = 0;
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
  if (Block* b = ScopeAccess::FromArena(size)) return UserOf(b);
  auto* b = static_cast<Block*>(std::malloc(sizeof(Block) + size));
  if (!b) throw std::bad_alloc();
  ScopeAccess::Link(b, t_open_scope);
  return UserOf(b);
}

void* Reallocate(void* old, size_t old_size, size_t size) {
  Block* b = HeaderOf(old);
  if (b->link.arena) {
    // Arena blocks are never given back one by one: the grown copy is a new block.
    void* grown = Allocate(size);
    std::memcpy(grown, old, old_size < size ? old_size : size);
    return grown;
  }
  // A grown block stays where it was made: a register's storage grown inside a call is not the call's.
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
  if (b->link.arena) return;
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
