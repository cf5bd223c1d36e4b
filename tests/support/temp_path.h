#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace vt::test {

// A path in the temporary directory that no other test process uses: CTest
// runs each test case in its own process, several at a time, so fixed names
// would let one case delete another's files.
inline std::filesystem::path TempPath(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         (name + "-" + std::to_string(static_cast<long>(::getpid())));
}

}  // namespace vt::test
