#include "utilities/Guarded.h"

#include "platform/status.h"

namespace quillet {

std::string CurrentErrorMessage() { return Status::OfCurrentException().message(); }

}  // namespace quillet
