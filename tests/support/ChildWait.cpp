// What TChild does the same way on every platform, on top of ReadLine.
#include "tests/support/Child.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

std::optional<std::string> TChild::TakeLine() {
    const std::size_t newline = pending_.find('\n');
    if (newline == std::string::npos) return std::nullopt;
    std::string line = pending_.substr(0, newline);
    pending_.erase(0, newline + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(line);
    return line;
}

std::optional<std::string> TChild::WaitFor(const std::function<bool(const std::string&)>& match,
                                           std::chrono::milliseconds timeout) {
    const Clock::time_point end = Clock::now() + timeout;
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        std::optional<std::string> line = ReadLine(left);
        if (!line) return std::nullopt;
        if (match(*line)) return line;
    }
}
