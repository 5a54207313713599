#include "procedures/MacroJob.h"

#include "utilities/SysUtils.h"

namespace quillet {

std::string MacroJobFile() { return GetTempFolder() + "quillet.ini"; }

}  // namespace quillet
