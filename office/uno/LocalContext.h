// The component context of this process's own UNO runtime, bootstrapped once
// from the installed LibreOffice and kept for the life of the process.
#pragma once

#include <com/sun/star/uno/XComponentContext.hpp>

#include "uno/Uno.h"

namespace quillet::office::uno {

Reference<css::uno::XComponentContext> LocalContext();

// LibreOffice's program folder (where soffice.bin and fundamentalrc are):
// $QUILLET_LIBREOFFICE_PROGRAM when set, else that of the LibreOffice the
// stand-ins were built against.
std::string ProgramFolder();

}  // namespace quillet::office::uno
