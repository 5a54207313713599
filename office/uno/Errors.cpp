#include "uno/Errors.h"

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>

#include "automation/DispatchObject.h"
#include "uno/Uno.h"

namespace quillet::office::uno {

namespace {

std::optional<TranslatedFailure> Translate(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const css::lang::DisposedException&) {
    return TranslatedFailure{RPC_E_DISCONNECTED, {}};
  } catch (const css::uno::Exception& e) {
    std::string text = Utf8(e.Message);
    if (text.empty()) text = "LibreOffice raised an error without a description";
    return TranslatedFailure{DISP_E_EXCEPTION, text};
  } catch (const std::exception& e) {
    return TranslatedFailure{DISP_E_EXCEPTION, e.what()};
  } catch (...) {
  }
  return std::nullopt;
}

}  // namespace

void InstallExceptionTranslation() { SetExceptionTranslator(&Translate); }

}  // namespace quillet::office::uno
