// Google Benchmark over the codec cases: one run gives Ventrel's and
// net-snmp's times side by side. Nothing here asserts a timing.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/CodecBench.h"

namespace {

void Run(benchmark::State& state, std::size_t (TCodecBench::*run)()) {
    TCodecBench bench;
    for (auto _ : state) benchmark::DoNotOptimize((bench.*run)());
}

}  // namespace

int main(int argc, char** argv) {
    std::string wrong = TCodecBench().Check();
    if (!wrong.empty()) {
        std::fprintf(stderr, "bench_codec: the cases do not do what they claim: %s\n",
                     wrong.c_str());
        return 1;
    }
    for (const TCodecCase& c : kCodecCases) {
        if (std::string(c.name) == "empty") continue;
        benchmark::RegisterBenchmark(c.name, Run, c.run);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
