// Loading a 100,000-line dealer list: the start-up runs under the game's loader lock, so it must
// stay fast (target: under 50 ms natively).
#include "dealer/dealer_list.h"
#include "dealer/dealer_module.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kLines = 100000;

// Lines like "-1523.75,2210.5,14.25,30", as a real list would hold them.
std::string MakeDealerList(int lines) {
    std::mt19937 generator(2024);
    std::uniform_real_distribution<float> coordinate(-4000.0f, 4000.0f);
    std::uniform_real_distribution<float> height(0.0f, 300.0f);
    std::uniform_int_distribution<int> radius(5, 80);
    std::string text;
    char line[96];
    for (int i = 0; i < lines; ++i) {
        const int length = std::snprintf(line, sizeof line, "%.2f,%.2f,%.2f,%d\r\n", coordinate(generator),
                                         coordinate(generator), height(generator), radius(generator));
        text.append(line, static_cast<std::size_t>(length));
    }
    return text;
}

class ListFile {
  public:
    ListFile()
        : path_(std::filesystem::temp_directory_path() / ("car_dealers_bench_" + std::to_string(getpid()))) {
        std::filesystem::create_directories(path_);
        const std::string list = MakeDealerList(kLines);
        std::ofstream(path_ / "dealers.csv", std::ios::binary)
            .write(list.data(), static_cast<std::streamsize>(list.size()));
        std::ofstream(path_ / "dealers.conf", std::ios::binary)
            << "price_rate_sell=0.5\nprice_rate_buy=0.8\n";
    }
    ~ListFile() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string Path(const char* name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// The whole start-up work of the module: both files read, 100,000 records built (and destroyed).
void BM_DealerModuleWith100000Dealers(benchmark::State& state) {
    const ListFile files;
    for (auto _ : state) {
        const std::string list = files.Path("dealers.csv"), settings = files.Path("dealers.conf");
        const DealerModule module(list.c_str(), settings.c_str());
        if (module.dealers.size() != kLines) state.SkipWithError("not every line was read");
        benchmark::DoNotOptimize(module.dealers.data());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_DealerModuleWith100000Dealers)->Unit(benchmark::kMillisecond);

// The reader alone, from a buffer already in memory.
void BM_ReadDealerList100000Lines(benchmark::State& state) {
    const std::string list = MakeDealerList(kLines);
    for (auto _ : state) {
        Buffer<DealerRecord> dealers;
        ReadDealerList(list, dealers);
        benchmark::DoNotOptimize(dealers.data());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(list.size()));
}
BENCHMARK(BM_ReadDealerList100000Lines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
