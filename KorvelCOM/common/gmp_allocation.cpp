#include "common/gmp_allocation.h"

#include <gmp.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
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
      size_t arena;  // 1 for a block of the thread's arena
    } link;
    std::max_align_t align;
  };
};

namespace {

using Block = GmpCallScope::Block;

// The small blocks of a call come from a per-thread arena that the outermost scope empties when it closes:
// a call of a worksheet function makes a dozen of them, and on the host's calculation threads each trip to
// the runtime's heap waits for its one lock. Blocks freed inside the call stay in the arena until then.
constexpr size_t kArenaBytes = 64 * 1024;
constexpr size_t kArenaLargest = 4 * 1024;

struct Arena {
  alignas(std::max_align_t) unsigned char bytes[kArenaBytes];
  size_t used = 0;
};

thread_local GmpCallScope* t_open_scope = nullptr;
thread_local std::unique_ptr<Arena> t_arena;

Block* HeaderOf(void* p) { return static_cast<Block*>(p) - 1; }
void* UserOf(Block* b) { return b + 1; }

size_t Rounded(size_t size) {
  const size_t a = alignof(std::max_align_t);
  return (size + a - 1) / a * a;
}

// A block of the arena when a scope is open and the block is small and fits; null otherwise.
Block* FromArena(size_t size) {
  if (!t_open_scope || size > kArenaLargest) return nullptr;
  if (!t_arena) t_arena.reset(new (std::nothrow) Arena);
  Arena* arena = t_arena.get();
  const size_t need = sizeof(Block) + Rounded(size);
  if (!arena || kArenaBytes - arena->used < need) return nullptr;
  auto* b = reinterpret_cast<Block*>(arena->bytes + arena->used);
  arena->used += need;
  b->link = {nullptr, nullptr, nullptr, 1};
  return b;
}

}  // namespace

struct ScopeAccess {
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
  if (Block* b = FromArena(size)) return UserOf(b);
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
  if (t_arena) t_arena->used = 0;
}

}  // namespace korvel
