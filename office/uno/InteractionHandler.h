// The interaction handler of every load: it answers each request by aborting
// it, so that nothing ever waits for a person (a password prompt, a filter's
// options dialog), and it remembers whether the office asked for a password
// or reported the one it was given wrong, which tells a wrong password from a
// damaged file when the load then fails.
#pragma once

#include <atomic>
#include <memory>

#include <com/sun/star/task/XInteractionHandler.hpp>

#include "uno/Uno.h"

namespace quillet::office::uno {

struct InteractionLog {
  std::atomic<bool> passwordRequested{false};
  std::atomic<int> requests{0};
};

Reference<css::task::XInteractionHandler> MakeAbortingHandler(std::shared_ptr<InteractionLog> log);

}  // namespace quillet::office::uno
