#include "uno/InteractionHandler.h"

#include <com/sun/star/task/DocumentMSPasswordRequest.hpp>
#include <com/sun/star/task/DocumentMSPasswordRequest2.hpp>
#include <com/sun/star/task/DocumentPasswordRequest.hpp>
#include <com/sun/star/task/DocumentPasswordRequest2.hpp>
#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/PasswordRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionDisapprove.hpp>
#include <cppuhelper/implbase1.hxx>

namespace quillet::office::uno {

namespace {

// The error the Word 97 import reports when it cannot decrypt a document
// with the password it was given (it asks for no other one): the office's
// "wrong password" code of its drawing layer's area (8 << 13 | 15).
constexpr sal_Int32 kWrongPasswordError = 0x1000F;

bool AsksForAPassword(const Any& what) {
  css::task::ErrorCodeRequest error;
  if (what >>= error) return error.ErrCode == kWrongPasswordError;
  return what.isExtractableTo(cppu::UnoType<css::task::PasswordRequest>::get()) ||
         what.isExtractableTo(cppu::UnoType<css::task::DocumentPasswordRequest>::get()) ||
         what.isExtractableTo(cppu::UnoType<css::task::DocumentPasswordRequest2>::get()) ||
         what.isExtractableTo(cppu::UnoType<css::task::DocumentMSPasswordRequest>::get()) ||
         what.isExtractableTo(cppu::UnoType<css::task::DocumentMSPasswordRequest2>::get());
}

class AbortingHandler : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
 public:
  explicit AbortingHandler(std::shared_ptr<InteractionLog> log) : log_(std::move(log)) {}

  void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
    if (!request.is()) return;
    ++log_->requests;
    if (AsksForAPassword(request->getRequest())) log_->passwordRequested = true;
    Reference<css::task::XInteractionContinuation> fallback;
    for (const auto& c : request->getContinuations()) {
      if (Reference<css::task::XInteractionAbort>(c, UNO_QUERY).is()) {
        c->select();
        return;
      }
      if (Reference<css::task::XInteractionDisapprove>(c, UNO_QUERY).is()) fallback = c;
    }
    if (fallback.is()) fallback->select();
  }

 private:
  std::shared_ptr<InteractionLog> log_;
};

}  // namespace

Reference<css::task::XInteractionHandler> MakeAbortingHandler(std::shared_ptr<InteractionLog> log) {
  return Reference<css::task::XInteractionHandler>(new AbortingHandler(std::move(log)));
}

}  // namespace quillet::office::uno
