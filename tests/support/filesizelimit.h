#pragma once
// A file system that refuses data, for tests: a lowered RLIMIT_FSIZE makes
// the kernel fail write() and ftruncate() past the limit (EFBIG) the way a
// full disk fails them with ENOSPC. It needs no privileges, so it works as
// any user, root included.

#include <sys/resource.h>

#include <csignal>

namespace glimr::test {

// Lowers the soft file size limit for its lifetime; SIGXFSZ is ignored so
// the failing write returns an error instead of ending the test.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lowered = old_;
    lowered.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  rlimit old_{};
  bool ok_ = false;
  void (*oldHandler_)(int) = SIG_DFL;
};

}  // namespace glimr::test
