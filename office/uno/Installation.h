// Whether the parts of LibreOffice that an application needs are on the
// machine. The stand-ins can be created without them; a member that needs the
// office then fails with a text naming the packages to install, rather than
// with a start-up failure that the caller could not tell from any other.
#pragma once

namespace quillet::office::uno {

enum class Module { Writer, Calc, Impress };

// Raises Failure, naming the Debian packages to install, when soffice or the
// module's library is missing from the program folder.
void RequireInstalled(Module module);

}  // namespace quillet::office::uno
