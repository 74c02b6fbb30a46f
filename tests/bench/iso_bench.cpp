// Import of trees at the limits of the directory model, from crafted images served
// by a virtual drive, and the tree operations alone. Times that grow with the square
// of the entries would show here long before they show on a real disc.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "iso/QuarnBurner.h"
#include "support/CraftedIso.h"
#include "support/TempDir.h"
#include "support/VirtualDriveScope.h"

namespace tarnwick::test {
namespace {

using R = CraftedRecord;

constexpr std::uint32_t kRoot = 20;

std::string Name(const char* prefix, std::uint32_t i) { return prefix + std::to_string(i); }

// The root holds `files` files.
CraftedIso FlatImage(std::uint32_t files) {
  std::vector<R> records = {R::Dot(kRoot, 0), R::DotDot(kRoot, 0)};
  for (std::uint32_t i = 0; i < files; ++i) records.push_back(R::File(Name("F", i) + ".TXT;1", 0, 0));
  const std::uint32_t length = CraftedIso::DirectoryLength(records);
  records[0].size = records[1].size = length;
  CraftedIso iso(kRoot);
  iso.Descriptor(16, 1, kRoot, length);
  iso.Terminator(17);
  iso.Directory(kRoot, records);
  return iso;
}

// The root holds `dirs` directories of one sector each, which share `files` files.
CraftedIso WideImage(std::uint32_t dirs, std::uint32_t files) {
  std::vector<R> root = {R::Dot(kRoot, 0), R::DotDot(kRoot, 0)};
  for (std::uint32_t d = 0; d < dirs; ++d) root.push_back(R::Dir(Name("D", d), 0));
  const std::uint32_t rootLength = CraftedIso::DirectoryLength(root);
  const std::uint32_t first = kRoot + rootLength / 2048;
  root[0].size = root[1].size = rootLength;
  for (std::uint32_t d = 0; d < dirs; ++d) root[d + 2].extent = first + d;
  CraftedIso iso(first + dirs);
  iso.Descriptor(16, 1, kRoot, rootLength);
  iso.Terminator(17);
  iso.Directory(kRoot, root);
  for (std::uint32_t d = 0; d < dirs; ++d) {
    std::vector<R> records = {R::Dot(first + d, 2048), R::DotDot(kRoot, rootLength)};
    for (std::uint32_t f = d; f < files; f += dirs) records.push_back(R::File(Name("F", f) + ";1", 0, 0));
    iso.Directory(first + d, records);
  }
  return iso;
}

void ImportImage(benchmark::State& state, const CraftedIso& iso, std::uint32_t expectedFiles) {
  TempDir dir;
  VirtualDriveScope scope({iso.Write(dir / "bench.iso")});
  TQuarnBurner qb;
  scope.Attach(qb, 0);
  for (auto _ : state) {
    qb.ResetTree(TQuarnBurner::DefaultMaxFiles, TQuarnBurner::DefaultMaxDirs);
    if (!qb.ImportSession(1) || qb.FileCount() != expectedFiles) {
      state.SkipWithError("the import did not give the whole tree");
      break;
    }
  }
  state.counters["entries"] = qb.FileCount();
}

void BM_ImportOneDirectoryOf65535Files(benchmark::State& state) {
  static const CraftedIso iso = FlatImage(65535);
  ImportImage(state, iso, 65535);
}
BENCHMARK(BM_ImportOneDirectoryOf65535Files)->Unit(benchmark::kMillisecond);

void BM_Import8191DirectoriesAnd65535Entries(benchmark::State& state) {
  // 8190 directories under the root and 57345 files among them: 65535 entries.
  static const CraftedIso iso = WideImage(8190, 65535 - 8190);
  ImportImage(state, iso, 65535);
}
BENCHMARK(BM_Import8191DirectoriesAnd65535Entries)->Unit(benchmark::kMillisecond);

void BM_AddFilesToOneDirectory(benchmark::State& state) {
  const auto files = static_cast<std::uint32_t>(state.range(0));
  std::vector<EntryInfo> infos(files);
  for (std::uint32_t i = 0; i < files; ++i) infos[i].LongName = Name("F", i) + ".TXT";
  TQuarnBurner qb;
  for (auto _ : state) {
    qb.ResetTree(TQuarnBurner::DefaultMaxFiles, TQuarnBurner::DefaultMaxDirs);
    for (const EntryInfo& info : infos) qb.AddFile(qb.Root(), info, 0, 100, "");
  }
  state.SetComplexityN(files);
}
BENCHMARK(BM_AddFilesToOneDirectory)->RangeMultiplier(4)->Range(1024, 65535)->Complexity()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnwick::test

BENCHMARK_MAIN();
