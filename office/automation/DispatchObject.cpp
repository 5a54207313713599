#include "automation/DispatchObject.h"

#include <atomic>

#include "automation/Failure.h"

namespace quillet::office {

namespace {

std::atomic<ExceptionTranslator> g_translator{nullptr};

}  // namespace

void SetExceptionTranslator(ExceptionTranslator translator) { g_translator = translator; }

DispatchObject::DispatchObject(std::string source) : source_(std::move(source)) {}

void DispatchObject::Declare(const std::string& name, WORD allowed, std::vector<std::string> params, Handler get,
                             Setter put) {
  automation::DispatchTable::Declare(
      name, allowed, std::move(params),
      [this, get = std::move(get), put = std::move(put)](const automation::Arguments& in, bool isPut, VARIANT* result) {
        if (isPut && !put) return DISP_E_MEMBERNOTFOUND;
        const CallArgs args(in);
        try {
          if (isPut) {
            put(args);
          } else {
            Result answer(result);
            get(args, answer);
          }
          return S_OK;
        } catch (const Failure& e) {
          return Raise(e.what(), e.code());
        } catch (const CodeFailure& e) {
          return e.code();
        } catch (...) {
          if (ExceptionTranslator translate = g_translator.load()) {
            if (auto t = translate(std::current_exception()))
              return t->code == DISP_E_EXCEPTION ? Raise(t->description) : t->code;
          }
          return E_FAIL;
        }
      });
}

void DispatchObject::Property(const std::string& name, Handler getter, Setter setter, std::vector<std::string> params) {
  // A put is answered by the setter, when there is one.
  Declare(name, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF, std::move(params),
          std::move(getter), std::move(setter));
}

void DispatchObject::Method(const std::string& name, std::vector<std::string> params, Handler handler) {
  Declare(name, DISPATCH_METHOD, std::move(params), std::move(handler), nullptr);
}

void DispatchObject::Item(const std::string& name, std::vector<std::string> params, Handler handler) {
  Declare(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(params), std::move(handler), nullptr);
}

}  // namespace quillet::office
