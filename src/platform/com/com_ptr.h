// ComPtr: the one owner of a counted COM interface reference, in the spirit of
// WIL's com_ptr. It needs no COM header: AddRef and Release go through two
// out-of-line calls, so engine code can hold, copy and drop references to
// interfaces it only knows by name (ole::OleObject is ComPtr<IDispatch>).
// Asking for another interface (query, try_query) needs the interface's
// identifier, InterfaceId<U>, which platform/com/com.h provides; only code that
// includes it can ask.
//
// Thread-safety: a ComPtr is a value; distinct ComPtrs may be used on distinct
// threads, one ComPtr must not be changed by two threads at once.
#pragma once

#include <cstddef>
#include <utility>

namespace quillet::com {

namespace detail {
// Every COM interface starts with IUnknown's three entries at the object's
// address, so a pointer to any interface is a pointer to its IUnknown.
void AddRefUnknown(void* unknown);
void ReleaseUnknown(void* unknown);
// Raises quillet::Error with the system's text for E_NOINTERFACE.
[[noreturn]] void RaiseNoInterface();
}  // namespace detail

// The interface identifier of interface U: `static const IID& get()`.
template <class U>
struct InterfaceId;

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference that the caller already holds.
  static ComPtr Adopt(T* p) {
    ComPtr r;
    r.p_ = p;
    return r;
  }
  // Adds a reference of its own.
  static ComPtr Borrow(T* p) {
    if (p) detail::AddRefUnknown(p);
    return Adopt(p);
  }
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) detail::AddRefUnknown(p_);
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(const ComPtr& o) {
    ComPtr copy(o);
    swap(copy);
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    ComPtr old(std::move(o));
    swap(old);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() {
    if (T* p = std::exchange(p_, nullptr)) detail::ReleaseUnknown(p);
  }
  void swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  bool operator==(const ComPtr& o) const { return p_ == o.p_; }
  // Releases what is held and hands out the slot for an out parameter.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  // Gives up ownership of the reference without releasing it.
  T* detach() { return std::exchange(p_, nullptr); }

  // Another interface of the same object; empty when the object lacks it.
  template <class U>
  ComPtr<U> try_query() const {
    ComPtr<U> r;
    if (p_) p_->QueryInterface(InterfaceId<U>::get(), r.put_void());
    return r;
  }
  // The same, raising quillet::Error when the object lacks it (or is empty).
  template <class U>
  ComPtr<U> query() const {
    ComPtr<U> r = try_query<U>();
    if (!r) detail::RaiseNoInterface();
    return r;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace quillet::com
