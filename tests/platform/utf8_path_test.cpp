// Paths made from UTF-8 text reach the system whole, in any script: through
// the file helpers, a C stream and the messages that name them. On Windows
// this is what keeps a folder such as "Fotos-Ä\写真" from becoming "??".
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/c_file.h"
#include "platform/file_io.h"
#include "platform/utf8_path.h"
#include "tests/support/temp_path.h"

namespace {

using vt::platform::PathFromUtf8;
using vt::platform::PathToUtf8;

TEST(Utf8Path, NamesInAnyScriptAreWrittenReadAndNamed) {
  const std::string base = PathToUtf8(vt::test::TempPath("vt_utf8_path"));
  const std::string folder = base + "/Fotos-\xC3\x84/\xE5\x86\x99\xE7\x9C\x9F";  // Fotos-Ä/写真
  const std::string file = folder + "/p\xC2\xB0.dat";                          // p°.dat
  std::filesystem::create_directories(PathFromUtf8(folder));

  ASSERT_TRUE(vt::platform::WriteFileAtomically(PathFromUtf8(file), std::string_view("abc")).ok());
  // The folder holds exactly that name, the same letters a listing gives.
  bool listed = false;
  for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(folder))) {
    listed = listed || PathToUtf8(entry.path().filename()) == "p\xC2\xB0.dat";
  }
  EXPECT_TRUE(listed);
  const auto read = vt::platform::ReadRegularFile(PathFromUtf8(file), 16);
  ASSERT_TRUE(read.ok()) << read.message;
  EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()), "abc");

  std::FILE* c = vt::platform::OpenCFile(PathFromUtf8(file), "r+b");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(std::fgetc(c), 'a');
  std::fclose(c);

  // Messages name the file in UTF-8, not in a code page's question marks.
  const auto missing = vt::platform::ReadRegularFile(PathFromUtf8(folder + "/gone.dat"), 16);
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.message.find("\xE5\x86\x99\xE7\x9C\x9F"), std::string::npos) << missing.message;

  std::error_code ec;
  std::filesystem::remove_all(PathFromUtf8(base), ec);
}

}  // namespace
