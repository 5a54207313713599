#include "uno/FileOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include <com/sun/star/io/IOException.hpp>
#include <cppuhelper/implbase1.hxx>

#include "automation/Failure.h"

namespace quillet::office::uno {

std::string SaveFailure(const std::string& path, const std::string& why) {
  return "The file could not be saved: " + path + (why.empty() ? "" : " (" + why + ")");
}

class FileOutput::Stream : public cppu::WeakImplHelper1<css::io::XOutputStream> {
 public:
  Stream(int fd, ByteOrder order) : fd_(fd), swap_(order == ByteOrder::SwapPairs) {}
  ~Stream() override { Close(); }

  void SAL_CALL writeBytes(const Sequence<sal_Int8>& data) override {
    std::lock_guard<std::mutex> hold(lock_);
    Check();
    const char* bytes = reinterpret_cast<const char*>(data.getConstArray());
    const size_t size = static_cast<size_t>(data.getLength());
    if (!swap_) {
      Write(bytes, size);
      return;
    }
    // A pair may be cut between two writes: its first byte waits for the next.
    std::string pairs = pending_;
    pairs.append(bytes, size);
    pending_.clear();
    if (pairs.size() % 2 != 0) {
      pending_ = pairs.back();
      pairs.pop_back();
    }
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) std::swap(pairs[i], pairs[i + 1]);
    Write(pairs.data(), pairs.size());
  }
  void SAL_CALL flush() override {
    std::lock_guard<std::mutex> hold(lock_);
    Check();
  }
  void SAL_CALL closeOutput() override {
    std::lock_guard<std::mutex> hold(lock_);
    Close();
    Check();
  }

  // The first error, "" when none; closes the file.
  std::string Finish() {
    std::lock_guard<std::mutex> hold(lock_);
    Close();
    return error_;
  }

 private:
  void Check() const {
    if (!error_.empty()) throw css::io::IOException(Ou(error_), Reference<css::uno::XInterface>());
    if (fd_ < 0) throw css::io::IOException(OUString("the stream is closed"), Reference<css::uno::XInterface>());
  }
  void Write(const char* at, size_t left) {
    while (left > 0) {
      const ssize_t n = ::write(fd_, at, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = n < 0 ? std::strerror(errno) : "nothing could be written";
        Check();
      }
      at += n;
      left -= static_cast<size_t>(n);
    }
  }
  void Close() {
    if (fd_ < 0) return;
    // A last byte without its partner is written as it came.
    if (!pending_.empty() && error_.empty()) {
      const std::string last = std::exchange(pending_, std::string());
      try {
        Write(last.data(), last.size());
      } catch (const css::io::IOException&) {
        // error_ holds the reason
      }
    }
    // A file system may report a failed write only at the close.
    if (::close(fd_) != 0 && error_.empty()) error_ = std::strerror(errno);
    fd_ = -1;
  }

  std::mutex lock_;
  int fd_;
  const bool swap_;
  std::string pending_;
  std::string error_;
};

FileOutput::FileOutput(std::string path, ByteOrder order) : path_(std::move(path)) {
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw Failure(SaveFailure(path_, std::strerror(errno)));
  impl_ = new Stream(fd, order);
  stream_ = impl_;
}

FileOutput::~FileOutput() {
  impl_->Finish();
  if (!keep_) ::unlink(path_.c_str());
}

std::string FileOutput::Close() { return impl_->Finish(); }

}  // namespace quillet::office::uno
