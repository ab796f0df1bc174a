// The lock that guards a replacement table. The owner provides it: a critical
// section on the platform, a plain mutex in native tests.
#pragma once

namespace registrar {

class TableLock {
 public:
  virtual ~TableLock() = default;
  virtual void Enter() = 0;
  virtual void Leave() = 0;
};

// Holds a TableLock from construction to destruction.
class TableLockGuard {
 public:
  explicit TableLockGuard(TableLock& lock) : lock_(lock) { lock_.Enter(); }
  ~TableLockGuard() { lock_.Leave(); }
  TableLockGuard(const TableLockGuard&) = delete;
  TableLockGuard& operator=(const TableLockGuard&) = delete;

 private:
  TableLock& lock_;
};

}  // namespace registrar
