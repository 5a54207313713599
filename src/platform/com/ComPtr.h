// Owners for COM references, BSTRs and VARIANTs: every AddRef has its Release,
// every allocation its free, on every path.
#pragma once

#include <cstring>
#include <utility>

#include "platform/com/com.h"
#include "platform/com/com_ptr.h"

namespace quillet::com {

// An owned BSTR.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(BSTR adopt) : b_(adopt) {}
  static UniqueBstr From(const std::string& text) {
    const OleString w = ToOle(text);
    return UniqueBstr(::SysAllocStringLen(w.data(), static_cast<UINT>(w.size())));
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  UniqueBstr(UniqueBstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& o) noexcept {
    if (this != &o) {
      reset();
      b_ = std::exchange(o.b_, nullptr);
    }
    return *this;
  }
  ~UniqueBstr() { reset(); }

  void reset(BSTR b = nullptr) {
    if (b_ && b_ != b) ::SysFreeString(b_);
    b_ = b;
  }
  BSTR get() const { return b_; }
  BSTR* put() {
    reset();
    return &b_;
  }
  BSTR release() { return std::exchange(b_, nullptr); }
  // The slot itself, for a by-reference argument that the server may replace.
  BSTR* address() { return &b_; }
  std::string str() const { return FromBstr(b_); }

 private:
  BSTR b_ = nullptr;
};

// An owned VARIANT, cleared when it goes.
class UniqueVariant {
 public:
  UniqueVariant() { ::VariantInit(&v_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  UniqueVariant(UniqueVariant&& o) noexcept {
    v_ = o.v_;
    ::VariantInit(&o.v_);
  }
  UniqueVariant& operator=(UniqueVariant&& o) noexcept {
    if (this != &o) {
      reset();
      v_ = o.v_;
      ::VariantInit(&o.v_);
    }
    return *this;
  }
  ~UniqueVariant() { reset(); }

  void reset() {
    ::VariantClear(&v_);
    ::VariantInit(&v_);
  }
  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARIANT* put() {
    reset();
    return &v_;
  }
  VARIANT& operator*() { return v_; }
  const VARIANT& operator*() const { return v_; }
  // Moves the content out to a VARIANT that the caller then owns.
  VARIANT release() {
    VARIANT r = v_;
    ::VariantInit(&v_);
    return r;
  }

 private:
  VARIANT v_;
};

// The three BSTRs that a failed Invoke may leave in an EXCEPINFO.
class ExcepInfo {
 public:
  ExcepInfo() { clear(); }
  ExcepInfo(const ExcepInfo&) = delete;
  ExcepInfo& operator=(const ExcepInfo&) = delete;
  ~ExcepInfo() { free(); }
  EXCEPINFO* get() { return &e_; }
  EXCEPINFO& operator*() { return e_; }
  // Runs a deferred fill-in, as the server asked.
  void Fill() {
    if (e_.pfnDeferredFillIn) {
      auto fill = e_.pfnDeferredFillIn;
      e_.pfnDeferredFillIn = nullptr;
      fill(&e_);
    }
  }

 private:
  void clear() { std::memset(&e_, 0, sizeof e_); }
  void free() {
    if (e_.bstrSource) ::SysFreeString(e_.bstrSource);
    if (e_.bstrDescription) ::SysFreeString(e_.bstrDescription);
    if (e_.bstrHelpFile) ::SysFreeString(e_.bstrHelpFile);
    clear();
  }
  EXCEPINFO e_;
};

}  // namespace quillet::com
