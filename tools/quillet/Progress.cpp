#include "Progress.h"

#include <cmath>

namespace quillet::cli {

namespace {

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string Clock(double seconds) {
  const long s = std::lround(std::max(0.0, seconds));
  char buf[32];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
  return buf;
}

std::string BarLine(size_t done, size_t total, const std::string& current, double elapsed, int width) {
  const double part = total ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
  const int filled = static_cast<int>(part * width);
  std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(width - filled), '-') + "] " + std::to_string(done) + "/" +
                     std::to_string(total) + "  " + Clock(elapsed) + " elapsed";
  line += done ? "  " + Clock(elapsed / static_cast<double>(done) * static_cast<double>(total - done)) + " left"
               : "  --:-- left";
  if (!current.empty()) line += "  " + current;
  return line;
}

Progress::Progress(std::FILE* out, bool terminal, size_t total) : out_(out), terminal_(terminal), total_(total) {}

std::string Progress::Elapsed() const {
  return Clock(std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count());
}

void Progress::Draw() {
  if (!terminal_) return;
  std::string line = BarLine(done_, total_, FileName(current_),
                             std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(), 30);
  if (line.size() > 110) line.resize(110);
  std::fprintf(out_, "\r\033[K%s", line.c_str());
  std::fflush(out_);
}

void Progress::Started(const std::string& source) {
  current_ = source;
  Draw();
}

void Progress::Finished(const FileResult& r) {
  ++done_;
  if (terminal_) {
    if (!r.outcome.ok) std::fprintf(out_, "\r\033[Kfailed %s: %s\n", r.request.source.c_str(), r.outcome.error.c_str());
    Draw();
    return;
  }
  if (r.outcome.ok)
    std::fprintf(out_, "[%zu/%zu] converted %s to %s (%ld ms)\n", done_, total_, r.request.source.c_str(),
                 r.request.destination.c_str(), r.outcome.milliseconds);
  else
    std::fprintf(out_, "[%zu/%zu] failed %s: %s\n", done_, total_, r.request.source.c_str(), r.outcome.error.c_str());
  std::fflush(out_);
}

void Progress::Done(size_t failed) {
  if (terminal_) std::fprintf(out_, "\r\033[K");
  std::fprintf(out_, "%zu of %zu files converted, %zu failed, in %s\n", done_ - failed, total_, failed,
               Elapsed().c_str());
  std::fflush(out_);
}

}  // namespace quillet::cli
