#include "automation/Result.h"

#include "platform/com/ComPtr.h"

namespace quillet::automation {

void Result::Text(const std::string& text) {
  if (!slot_) return;
  ::VariantClear(slot_);
  com::UniqueBstr b = com::UniqueBstr::From(text);
  slot_->vt = VT_BSTR;
  slot_->bstrVal = b.release();
}

void Result::Int(int32_t value) {
  if (!slot_) return;
  ::VariantClear(slot_);
  slot_->vt = VT_I4;
  slot_->lVal = value;
}

void Result::Bool(bool value) {
  if (!slot_) return;
  ::VariantClear(slot_);
  slot_->vt = VT_BOOL;
  slot_->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void Result::Double(double value) {
  if (!slot_) return;
  ::VariantClear(slot_);
  slot_->vt = VT_R8;
  slot_->dblVal = value;
}

void Result::Object(IDispatch* object) {
  auto owned = com::ComPtr<IDispatch>::Adopt(object);
  if (!slot_) return;
  ::VariantClear(slot_);
  slot_->vt = VT_DISPATCH;
  slot_->pdispVal = owned.detach();
}

VARIANT IntVariant(int32_t value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT BoolVariant(bool value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

}  // namespace quillet::automation
