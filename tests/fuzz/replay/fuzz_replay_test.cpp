// Runs every fuzz target's body over its committed corpus and over simple
// mutations of it (truncations and byte changes), so each build exercises
// what the long fuzz runs found. Under ASan any read or write outside a
// buffer fails the test; a broken property aborts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/bodies/device_reply_fuzz_body.h"
#include "tests/fuzz/bodies/info_block_fuzz_body.h"
#include "tests/fuzz/bodies/infrared_fuzz_body.h"
#include "tests/fuzz/bodies/profile_file_fuzz_body.h"
#include "tests/fuzz/bodies/wire_client_fuzz_body.h"
#include "tests/fuzz/bodies/wire_server_fuzz_body.h"

namespace vt::fuzz {
namespace {

using Body = std::function<void(std::span<const uint8_t>)>;

std::vector<std::vector<uint8_t>> Corpus(const std::string& target) {
  std::vector<std::vector<uint8_t>> inputs;
  const std::filesystem::path dir = std::filesystem::path(VT_FUZZ_CORPUS_DIR) / target;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return inputs;
}

// The corpus as it is, then each input cut short and with bytes changed.
size_t Replay(const std::string& target, const Body& body) {
  const auto inputs = Corpus(target);
  EXPECT_FALSE(inputs.empty()) << "no corpus for " << target;
  uint32_t rng = 0x2545F491;
  auto next = [&rng] {
    rng ^= rng << 13;
    rng ^= rng >> 17;
    rng ^= rng << 5;
    return rng;
  };
  size_t runs = 0;
  for (const auto& input : inputs) {
    body(input);
    ++runs;
    if (input.empty()) continue;
    for (size_t cut : {input.size() / 3, input.size() / 2, input.size() - 1}) {
      body(std::span(input).first(cut));
      ++runs;
    }
    for (int i = 0; i < 12; ++i) {
      auto m = input;
      for (int e = 0; e < 1 + static_cast<int>(next() % 4); ++e) {
        const size_t at = next() % m.size();
        m[at] = (next() & 1) ? static_cast<uint8_t>(next()) : static_cast<uint8_t>(m[at] ^ (1u << (next() % 8)));
      }
      body(m);
      ++runs;
    }
  }
  return runs;
}

TEST(FuzzCorpusReplay, ProfileFiles) { EXPECT_GT(Replay("profile_file", RunProfileFileInput), 0u); }

TEST(FuzzCorpusReplay, InfraredRecordings) { EXPECT_GT(Replay("infrared", RunInfraredInput), 0u); }

TEST(FuzzCorpusReplay, InfoBlockChains) { EXPECT_GT(Replay("info_block", RunInfoBlockInput), 0u); }

TEST(FuzzCorpusReplay, WireServerSessions) { EXPECT_GT(Replay("wire_server", RunWireServerInput), 0u); }

TEST(FuzzCorpusReplay, WireClientAnswers) { EXPECT_GT(Replay("wire_client", RunWireClientInput), 0u); }

TEST(FuzzCorpusReplay, DeviceReplies) { EXPECT_GT(Replay("device_reply", RunDeviceReplyTargetInput), 0u); }

}  // namespace
}  // namespace vt::fuzz
