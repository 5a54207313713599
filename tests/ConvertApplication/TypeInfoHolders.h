// Owners for the descriptions a type library lends out (TYPEATTR, FUNCDESC,
// TLIBATTR): each is given back to the ITypeInfo or ITypeLib it came from.
#pragma once

#include <oaidl.h>

namespace quillet::test {

class TypeAttr {
 public:
  explicit TypeAttr(ITypeInfo* info) : info_(info) {
    if (info_) info_->GetTypeAttr(&attr_);
  }
  TypeAttr(const TypeAttr&) = delete;
  TypeAttr& operator=(const TypeAttr&) = delete;
  ~TypeAttr() {
    if (attr_) info_->ReleaseTypeAttr(attr_);
  }
  const TYPEATTR* operator->() const { return attr_; }
  explicit operator bool() const { return attr_ != nullptr; }

 private:
  ITypeInfo* info_;
  TYPEATTR* attr_ = nullptr;
};

class FuncDesc {
 public:
  FuncDesc(ITypeInfo* info, UINT index) : info_(info) { info_->GetFuncDesc(index, &desc_); }
  FuncDesc(const FuncDesc&) = delete;
  FuncDesc& operator=(const FuncDesc&) = delete;
  ~FuncDesc() {
    if (desc_) info_->ReleaseFuncDesc(desc_);
  }
  const FUNCDESC* operator->() const { return desc_; }
  explicit operator bool() const { return desc_ != nullptr; }

 private:
  ITypeInfo* info_;
  FUNCDESC* desc_ = nullptr;
};

class LibAttr {
 public:
  explicit LibAttr(ITypeLib* lib) : lib_(lib) { lib_->GetLibAttr(&attr_); }
  LibAttr(const LibAttr&) = delete;
  LibAttr& operator=(const LibAttr&) = delete;
  ~LibAttr() {
    if (attr_) lib_->ReleaseTLibAttr(attr_);
  }
  const TLIBATTR* operator->() const { return attr_; }
  explicit operator bool() const { return attr_ != nullptr; }

 private:
  ITypeLib* lib_;
  TLIBATTR* attr_ = nullptr;
};

}  // namespace quillet::test
