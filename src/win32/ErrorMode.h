#pragma once
#include <windows.h>

namespace win32 {

// Every file-system call runs inside one of these, so that an empty drive or a
// missing medium fails the call quietly instead of raising a system dialog. The
// previous mode is put back when the guard goes out of scope.
class QuietErrorMode {
  public:
    QuietErrorMode() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
    ~QuietErrorMode() { SetErrorMode(previous_); }
    QuietErrorMode(const QuietErrorMode&) = delete;
    QuietErrorMode& operator=(const QuietErrorMode&) = delete;

  private:
    UINT previous_;
};

} // namespace win32
