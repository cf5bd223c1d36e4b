#include "cli/output_paths.h"

#include "platform/same_file.h"

namespace vt::cli {

bool CheckOutputIsNotInput(CliContext& ctx, const std::string& output, const std::string& input) {
  if (!platform::IsSameFile(output, input)) return true;
  ctx.Fail(output + " is the input file " + input + " (the same file by another name): give another output",
           ExitCode::kUsage);
  return false;
}

}  // namespace vt::cli
