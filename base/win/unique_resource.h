// Owns one platform resource and lets go of it through its Closer: on
// destruction, reset() or put(). Shaped like unique_ptr: get(), reset(),
// release(), put() (frees what is held and hands out the slot for an out
// parameter), explicit bool. Closing keeps the thread's last error, so an
// owner that goes out of scope between a failed call and GetLastError does
// not change what that call reported.
//
// A Closer names the Value it closes, says which values hold nothing
// (IsHeld) and closes one value (its call operator).
#pragma once

#include <windows.h>

#include <utility>

template <typename Closer>
class UniqueResource {
 public:
  using Value = typename Closer::Value;

  UniqueResource() = default;
  explicit UniqueResource(Value value) : value_(value) {}
  // An empty owner whose Closer needs the object that will hand the value out.
  explicit UniqueResource(const Closer& closer) : closer_(closer) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { reset(); }

  Value get() const { return value_; }
  Value operator->() const { return value_; }
  explicit operator bool() const { return Closer::IsHeld(value_); }

  void reset(Value value = Value()) {
    const Value old = std::exchange(value_, value);
    if (!Closer::IsHeld(old)) return;
    const DWORD lastError = GetLastError();
    closer_(old);
    SetLastError(lastError);
  }
  // Hands the value over to the caller, who closes it.
  Value release() { return std::exchange(value_, Value()); }
  Value* put() {
    reset();
    return &value_;
  }

 private:
  [[no_unique_address]] Closer closer_{};
  Value value_{};
};

// A Closer that hands the value to one platform function; null holds nothing.
template <typename T, auto close>
struct CloseWith {
  using Value = T;
  static bool IsHeld(T value) { return value != nullptr; }
  void operator()(T value) const { close(value); }
};
