// Reading the host history at start from a huge file: 3.28 million short
// lines (9.83 MB), of which the window keeps only the hosts its settings can
// remember, each up to the longest text the host box takes.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <fstream>

#include "app/window/HostStore.h"

namespace {

constexpr std::size_t MostHosts = 100;
constexpr std::size_t LongestHost = 3 * 32767;

void BM_LoadHugeHistory(benchmark::State& State) {
  const QTemporaryDir Folder;
  const std::string FileName = Folder.filePath("host.txt").toStdString();
  {
    std::ofstream File(FileName, std::ios::binary);
    for (int Line = 0; Line < 3'280'000; ++Line) File << "a\r\n";
  }
  for (auto _ : State) benchmark::DoNotOptimize(LoadHostFile(FileName, MostHosts, LongestHost));
}
BENCHMARK(BM_LoadHugeHistory)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
