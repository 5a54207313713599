#include "TestSupport.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/error.h"
#include "platform/path.h"

namespace quillet::test {

struct MessageBoxRecorder::State {
  mutable std::mutex lock;
  std::vector<Box> boxes;
};

MessageBoxRecorder::MessageBoxRecorder() : state_(new State) {
  State* state = state_;
  previous_ = os::SetMessageBoxSink([state](const std::string& text, const std::string& caption) {
    std::lock_guard<std::mutex> lock(state->lock);
    state->boxes.push_back({text, caption});
  });
}

MessageBoxRecorder::~MessageBoxRecorder() {
  os::SetMessageBoxSink(std::move(previous_));
  delete state_;
}

std::vector<MessageBoxRecorder::Box> MessageBoxRecorder::boxes() const {
  std::lock_guard<std::mutex> lock(state_->lock);
  return state_->boxes;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::ostringstream name;
  name << "quillet-test-" << stamp << "-" << counter++;
  path_ = (std::filesystem::temp_directory_path() / name.str()).string();
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only entries must become writable before they can go on Windows.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::operator/(const std::string& name) const { return path::IncludeTrailingDelimiter(path_) + name; }

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

void WriteFile(const std::string& file, const std::string& content) {
  std::ofstream out(file, std::ios::binary);
  out << content;
}

std::string ReadFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string OverlongDotsAndSlashes(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '.' || c == '/') {
      out.push_back(static_cast<char>(0xC0 | (static_cast<unsigned char>(c) >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace quillet::test
