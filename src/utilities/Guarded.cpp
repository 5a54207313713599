#include "utilities/Guarded.h"

namespace quillet {

std::string CurrentErrorMessage() {
  try {
    throw;
  } catch (const std::exception& e) {
    const std::string text = e.what();
    return text.empty() ? "Unknown error" : text;
  } catch (...) {
    return "Unknown error";
  }
}

}  // namespace quillet
