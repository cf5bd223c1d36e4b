#pragma once

// Test cases that need a facility only POSIX systems have (FIFOs, file
// modes, the XDG folders, signals, fork) skip themselves on Windows and say
// which; the rest of their suite runs there as everywhere.
//
//   TEST(Backups, AFifoIsNoBackup) {
//     VT_POSIX_ONLY("a FIFO (mkfifo)");
//     ...
//   }
//
// The POSIX calls such a case makes still have to compile on Windows: the
// declarations below stand in for them there and fail if ever reached.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <cerrno>
#include <cstdlib>

#define VT_POSIX_ONLY(facility) GTEST_SKIP() << "needs " << (facility) << ", which Windows lacks"

namespace vt::test::posix {
template <class Char>
int mkfifo(const Char*, int) {
  errno = ENOSYS;
  return -1;
}
inline int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
}  // namespace vt::test::posix
using vt::test::posix::mkfifo;
using vt::test::posix::setenv;
using vt::test::posix::unsetenv;
#else
#define VT_POSIX_ONLY(facility) static_cast<void>(0)
#endif
