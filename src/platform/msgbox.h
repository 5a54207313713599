// Modal message boxes. A few routines tell the user about a failure with a
// modal box instead of an error text. On Windows the default is a real
// MessageBoxA (no owner, OK button); on Linux one line on stderr. Tests replace
// the sink to see what would have been shown, without blocking.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quillet::os {

using MessageBoxSink = std::function<void(const std::string& text, const std::string& caption)>;

// Shows Text with Caption and returns when the box is closed.
void ShowMessageBox(const std::string& text, const std::string& caption);

// Installs a sink for every later box and returns the one it replaces; an empty
// sink restores the platform's default.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);

// The platform's own box (used when no sink is installed). On Windows it
// closes by itself after the bound below: a library that serves a program
// without anyone at the screen (a server, a service) must not wait for ever
// on a click.
void ShowSystemMessageBox(const std::string& text, const std::string& caption);

// How long the system's box stays before it closes by itself; 60000 ms
// unless changed. Returns the bound it replaces.
uint32_t SetMessageBoxTimeoutMs(uint32_t ms);
uint32_t MessageBoxTimeoutMs();

}  // namespace quillet::os
