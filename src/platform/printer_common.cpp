#include <utility>

#include "platform/printer.h"

namespace quillet::os {

Printer::~Printer() { Close(); }

Printer::Printer(Printer&& other) noexcept
    : name_(std::move(other.name_)),
      handle_(std::exchange(other.handle_, nullptr)),
      open_(std::exchange(other.open_, false)),
      openError_(other.openError_) {}

Printer& Printer::operator=(Printer&& other) noexcept {
  if (this != &other) {
    Close();
    name_ = std::move(other.name_);
    handle_ = std::exchange(other.handle_, nullptr);
    open_ = std::exchange(other.open_, false);
    openError_ = other.openError_;
  }
  return *this;
}

}  // namespace quillet::os
