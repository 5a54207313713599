// UniqueAny: sole ownership of a handle of any kind that is given back by a
// close function (FindClose, closedir, fclose, RegCloseKey, LocalFree ...), in
// the spirit of WIL's unique_any. Invalid is the "no handle" value as an
// integer: 0 (null) for most, -1 for INVALID_HANDLE_VALUE or a file descriptor.
//
//   using UniqueFindHandle = UniqueAny<HANDLE, &::FindClose, -1>;
//   UniqueFindHandle h(::FindFirstFileA(pattern, &data));
//   if (!h) return;
//
// Thread-safety: a value like any other; one owner must not be changed by two
// threads at once.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

namespace quillet::os {

template <class T, auto Close, std::intptr_t Invalid = 0>
class UniqueAny {
 public:
  static T invalid() {
    if constexpr (std::is_pointer_v<T>)
      return reinterpret_cast<T>(Invalid);
    else
      return static_cast<T>(Invalid);
  }

  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& o) noexcept : value_(o.release()) {}
  UniqueAny& operator=(UniqueAny&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != invalid(); }
  // Closes what is held (if anything) and takes Value.
  void reset(T value = invalid()) {
    const T old = std::exchange(value_, value);
    if (old != invalid()) Close(old);
  }
  // Gives up ownership without closing.
  T release() { return std::exchange(value_, invalid()); }
  // Closes what is held and hands out the slot for an out parameter.
  T* put() {
    reset();
    return &value_;
  }

 private:
  T value_ = invalid();
};

}  // namespace quillet::os
