// Throughput of the hash core on memory already in cache, and of the
// buffered path that feeds it in small unaligned pieces.
#include "digest/MD5.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> data(n);
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(i * 131 + 7);
    return data;
}

void BM_MD5Buffer(benchmark::State& state) {
    auto data = Bytes(static_cast<size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(kq::MD5Buffer(data.data(), data.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_MD5Buffer)->Arg(64)->Arg(4096)->Arg(1 << 20);

void BM_MD5UpdateSmallPieces(benchmark::State& state) {
    auto data = Bytes(1 << 20);
    for (auto _ : state) {
        kq::TMD5Context context;
        kq::MD5Init(context);
        for (size_t at = 0; at < data.size(); at += 100)
            kq::MD5Update(context, data.data() + at, static_cast<uint32_t>(std::min<size_t>(100, data.size() - at)));
        benchmark::DoNotOptimize(kq::MD5Final(context));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (1 << 20));
}
BENCHMARK(BM_MD5UpdateSmallPieces);

}  // namespace
