// How failures of the office reach the callers of the stand-ins: a lost
// connection answers as a server that has gone (RPC_E_DISCONNECTED), any
// other UNO exception as a described failure with its message.
#pragma once

namespace quillet::office::uno {

// Installs the translation into the dispatch layer (once per process).
void InstallExceptionTranslation();

}  // namespace quillet::office::uno
