#include "uno/LocalContext.h"

#include <cstdlib>
#include <mutex>

#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include "automation/Failure.h"

namespace quillet::office::uno {

std::string ProgramFolder() {
  if (const char* folder = std::getenv("QUILLET_LIBREOFFICE_PROGRAM"); folder && *folder) return folder;
  return QUILLET_LIBREOFFICE_PROGRAM;
}

Reference<css::uno::XComponentContext> LocalContext() {
  static std::mutex lock;
  // Never destroyed: UNO objects of this process may be released at any time
  // up to its very end.
  static Reference<css::uno::XComponentContext>* context = nullptr;
  std::lock_guard<std::mutex> guard(lock);
  if (!context) {
    rtl::Bootstrap::set(OUString("URE_BOOTSTRAP"), Ou("vnd.sun.star.pathname:" + ProgramFolder() + "/fundamentalrc"));
    try {
      context = new Reference<css::uno::XComponentContext>(cppu::defaultBootstrap_InitialComponentContext());
    } catch (const css::uno::Exception& e) {
      throw Failure("The UNO runtime of LibreOffice cannot be started: " + Utf8(e.Message));
    }
  }
  return *context;
}

}  // namespace quillet::office::uno
