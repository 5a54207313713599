#include "Confinement.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "Processes.h"

namespace quillet::cli {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

bool Within(const fs::path& inside, const fs::path& root) {
  const auto [r, i] = std::mismatch(root.begin(), root.end(), inside.begin(), inside.end());
  return r == root.end();
}

std::string Mebibytes(uint64_t bytes) { return std::to_string((bytes + (1u << 19)) >> 20) + " MiB"; }

}  // namespace

std::string OutsideRoot(const std::string& root, const std::string& source, const std::string& destination) {
  std::error_code ec;
  const fs::path realRoot = fs::canonical(root, ec);
  if (ec) return "the request's folder is missing";
  const fs::path realSource = fs::canonical(source, ec);
  if (ec || !fs::is_regular_file(realSource, ec) || !Within(realSource, realRoot))
    return "the source lies outside the request's folder";
  const fs::path dest(destination);
  const fs::path realFolder = fs::canonical(dest.parent_path(), ec);
  if (ec || !Within(realFolder, realRoot) || dest.filename().empty() || dest.filename() == "." ||
      dest.filename() == "..")
    return "the destination lies outside the request's folder";
  // An existing destination that is a link could lead elsewhere.
  if (fs::is_symlink(dest, ec)) return "the destination lies outside the request's folder";
  return {};
}

uint64_t FolderBytes(const std::string& folder) {
  uint64_t bytes = 0;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    std::error_code sizeError;
    if (it->is_regular_file(sizeError)) bytes += it->file_size(sizeError);
  }
  return bytes;
}

CeilingWatch::CeilingWatch(const Confinement& limits, std::string results)
    : limits_(limits), results_(std::move(results)) {
  if (limits_.memoryBytes || limits_.resultBytes) thread_ = std::thread([this] { Run(); });
}

CeilingWatch::~CeilingWatch() { Stop(); }

bool CeilingWatch::Passed() {
  if (limits_.resultBytes && FolderBytes(results_) > limits_.resultBytes) {
    verdict_ = Failure::ResultSize;
    return true;
  }
  if (limits_.memoryBytes) {
    uint64_t resident = 0;
    for (const pid_t pid : Descendants(::getpid())) resident += ResidentBytes(pid);
    if (resident > limits_.memoryBytes) {
      verdict_ = Failure::Memory;
      return true;
    }
  }
  return false;
}

void CeilingWatch::Run() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, 100ms, [this] { return stop_; })) {
    if (!Passed()) continue;
    // The office goes (the conversion waiting on it fails at once); the
    // next request starts a new one.
    KillAll(Descendants(::getpid()));
    return;
  }
}

Failure CeilingWatch::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  if (verdict_ == Failure::None && limits_.resultBytes && FolderBytes(results_) > limits_.resultBytes)
    verdict_ = Failure::ResultSize;
  return verdict_;
}

std::string CeilingText(Failure failure, const Confinement& limits) {
  if (failure == Failure::Memory)
    return "the conversion needed more than the office's memory ceiling of " + Mebibytes(limits.memoryBytes) +
           ": the office was ended";
  if (failure == Failure::ResultSize)
    return "the results are larger than the ceiling of " + Mebibytes(limits.resultBytes);
  return {};
}

}  // namespace quillet::cli
