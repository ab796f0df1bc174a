#include "tests/support/failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

long allocationsBeforeFailure = -1;  // -1: no failure planned
bool failureInjected = false;
std::atomic<long> liveAllocations{0};

void* Allocate(std::size_t size) {
  if (allocationsBeforeFailure == 0) {
    allocationsBeforeFailure = -1;
    failureInjected = true;
    return nullptr;
  }
  if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) ++liveAllocations;
  return block;
}

void* AllocateOrThrow(std::size_t size) {
  if (void* block = Allocate(size)) return block;
  throw std::bad_alloc();
}

void Free(void* block) {
  if (block == nullptr) return;
  --liveAllocations;
  std::free(block);
}

}  // namespace

FailingAllocation::FailingAllocation(long n) {
  failureInjected = false;
  allocationsBeforeFailure = n;
}

FailingAllocation::~FailingAllocation() { allocationsBeforeFailure = -1; }

bool FailingAllocation::Injected() { return failureInjected; }

UncountedAllocations::UncountedAllocations() : saved_(allocationsBeforeFailure) { allocationsBeforeFailure = -1; }

UncountedAllocations::~UncountedAllocations() { allocationsBeforeFailure = saved_; }

long LiveAllocations() { return liveAllocations; }

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Free(block); }
void operator delete[](void* block) noexcept { Free(block); }
void operator delete(void* block, std::size_t) noexcept { Free(block); }
void operator delete[](void* block, std::size_t) noexcept { Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Free(block); }
