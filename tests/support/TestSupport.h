// Helpers shared by the test suites.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/msgbox.h"

namespace quillet::test {

// Records every message box shown while it lives, instead of showing it.
class MessageBoxRecorder {
 public:
  struct Box {
    std::string text, caption;
  };
  MessageBoxRecorder();
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  std::vector<Box> boxes() const;

 private:
  struct State;
  State* state_;
  os::MessageBoxSink previous_;
};

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing delimiter.
  const std::string& path() const { return path_; }
  // Path + delimiter + Name.
  std::string operator/(const std::string& name) const;

 private:
  std::string path_;
};

// The message of the quillet::Error that Call raises, or "(no error)".
std::string ErrorOf(const std::function<void()>& call);

// Writes Content to File (creating nothing else).
void WriteFile(const std::string& file, const std::string& content);
std::string ReadFile(const std::string& file);

// Text with each '.' and '/' in its overlong two-byte form (C0 AE, C0 AF),
// which a lenient UTF-8 decoder reads as '.' and '/'.
std::string OverlongDotsAndSlashes(const std::string& text);

}  // namespace quillet::test
