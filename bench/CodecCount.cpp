// bench_codec_count CASE N: runs one codec case N times, for counting its
// instructions under callgrind (bench/callgrind). Only RunCase is measured:
// callgrind collects inside it alone (--toggle-collect=RunCase), after one
// warm-up call outside it has paid for lazy binding and first allocations.
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "bench/CodecBench.h"

extern "C" [[gnu::noinline]] std::size_t RunCase(TCodecBench* bench,
                                                 std::size_t (TCodecBench::*run)(), long count) {
    std::size_t sum = 0;
    for (long i = 0; i < count; ++i) sum += (bench->*run)();
    return sum;
}

int main(int argc, char** argv) {
    long count = 0;
    std::string_view countText = argc == 3 ? argv[2] : "";
    auto [end, ec] = std::from_chars(countText.data(), countText.data() + countText.size(), count);
    const TCodecCase* chosen = nullptr;
    for (const TCodecCase& c : kCodecCases) {
        if (argc == 3 && std::string_view(argv[1]) == c.name) chosen = &c;
    }
    if (chosen == nullptr || ec != std::errc{} || end != countText.data() + countText.size() ||
        count < 1) {
        std::fprintf(stderr, "usage: bench_codec_count CASE N\ncases:");
        for (const TCodecCase& c : kCodecCases) std::fprintf(stderr, " %s", c.name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    TCodecBench bench;
    std::string wrong = bench.Check();
    if (!wrong.empty()) {
        std::fprintf(stderr, "bench_codec_count: %s\n", wrong.c_str());
        return 1;
    }
    (bench.*chosen->run)();  // warm-up, not counted
    std::size_t sum = RunCase(&bench, chosen->run, count);
    std::printf("%s %ld %zu\n", chosen->name, count, sum);
    return 0;
}
