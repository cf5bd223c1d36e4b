// Converting all seven profiles between stored records and word tables, and
// building the report from them.

#include <benchmark/benchmark.h>

#include "profiles/camera_models.h"
#include "profiles/profile_model.h"
#include "profiles/profiles_report.h"

namespace vt::profiles {
namespace {

// Seven profiles on cameras with and without zoom lists.
WordTables SampleTables() {
  const int16_t cameras[] = {0x4022, 0x4001, 813, -32726, 0x4028, 74, -2};
  WordTables tables{};
  for (size_t i = 0; i < tables.size(); ++i) {
    WordTable& w = tables[i];
    w[word::kCamera] = static_cast<uint16_t>(cameras[i]);
    w[word::kControlMethod] = 1;
    w[word::kProgram] = 2;
    w[word::kControlMode] = 16;
    w[word::kZoom] = 3;
    for (uint8_t k = word::kPanNextPosition; k <= word::kPause; ++k) w[k] = 150;
  }
  return tables;
}

void BM_StoreSevenProfiles(benchmark::State& state) {
  const WordTables tables = SampleTables();
  for (auto _ : state) {
    ProfileRecordsBytes image = StoreEditorProfiles(tables);
    benchmark::DoNotOptimize(image);
  }
}
BENCHMARK(BM_StoreSevenProfiles);

void BM_LoadSevenProfiles(benchmark::State& state) {
  const ProfileRecordsBytes image = StoreEditorProfiles(SampleTables());
  WordTables tables{};
  for (auto _ : state) {
    for (int i = 0; i < kProfileCount; ++i) {
      LoadRecordIntoWords(*RecordAt(image, i), i + 1, tables[static_cast<size_t>(i)]);
    }
    benchmark::DoNotOptimize(tables);
  }
}
BENCHMARK(BM_LoadSevenProfiles);

void BM_ProfilesReport(benchmark::State& state) {
  const WordTables tables = SampleTables();
  for (auto _ : state) {
    std::string text = WriteProfilesReport(tables, ReportTime{});
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_ProfilesReport);

}  // namespace
}  // namespace vt::profiles
