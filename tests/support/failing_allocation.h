// Allocation failure on demand. A test program that links
// tests/support/failing_allocation.cpp has its global operator new and delete
// replaced by ones that can be told to fail one chosen allocation, so it is a
// program of its own: the others keep the sanitizers' new/delete checks.
#pragma once

// Fails allocation number n (counted from 0) made while it lives.
class FailingAllocation {
 public:
  explicit FailingAllocation(long n);
  ~FailingAllocation();
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;

  // Whether the planned failure happened; false once the work made fewer
  // allocations than n + 1.
  static bool Injected();
};

// Allocations made while it lives are not counted and never fail.
class UncountedAllocations {
 public:
  UncountedAllocations();
  ~UncountedAllocations();
  UncountedAllocations(const UncountedAllocations&) = delete;
  UncountedAllocations& operator=(const UncountedAllocations&) = delete;

 private:
  long saved_;
};

// Blocks handed out by operator new and not yet deleted: a call that leaves
// this count where it found it left nothing behind.
long LiveAllocations();
