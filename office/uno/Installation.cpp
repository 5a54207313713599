#include "uno/Installation.h"

#include <unistd.h>

#include <string>

#include "automation/Failure.h"
#include "uno/Launcher.h"
#include "uno/LocalContext.h"

namespace quillet::office::uno {

namespace {

bool Present(const std::string& file) { return ::access((ProgramFolder() + "/" + file).c_str(), F_OK) == 0; }

}  // namespace

void RequireInstalled(Module module) {
  RequireSoffice(ProgramFolder());
  struct Part {
    const char* library;
    const char* name;
    const char* package;
  };
  static constexpr Part kParts[] = {{"libswlo.so", "Writer", "libreoffice-writer"},
                                    {"libsclo.so", "Calc", "libreoffice-calc"},
                                    {"libsdlo.so", "Impress", "libreoffice-impress"}};
  const Part& part = kParts[static_cast<int>(module)];
  if (!Present(part.library))
    throw Failure(std::string("LibreOffice ") + part.name + " is not installed: install the Debian package " +
                  part.package);
}

}  // namespace quillet::office::uno
