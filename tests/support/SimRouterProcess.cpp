#include "tests/support/SimRouterProcess.h"

#include <algorithm>
#include <cctype>
#include <thread>

namespace {

bool Contains(const std::string& line, const std::string& part) {
    return line.find(part) != std::string::npos;
}

}  // namespace

bool TSimRouterProcess::Start(const std::vector<std::string>& options) {
    std::vector<std::string> argv = {SIMROUTER_PATH, "--log",  "--seconds",
                                     "60",           "--port", std::to_string(kSimPort)};
    argv.insert(argv.end(), options.begin(), options.end());
    if (!child_.Start(argv)) return false;
    auto listening = child_.WaitFor(
        [](const std::string& l) { return Contains(l, "listening on"); }, std::chrono::seconds(5));
    started_ = std::chrono::steady_clock::now();
    return listening.has_value();
}

int TSimRouterProcess::Stop() { return child_.Stop(); }

bool TSimRouterProcess::WaitForRequest(std::uint16_t fromPort, std::int32_t id,
                                       std::chrono::milliseconds timeout) {
    // Another copy of the program has request-ids of its own, which may
    // meet ours.
    const std::string sender = "from=127.0.0.1:" + std::to_string(fromPort) + " ";
    const std::string tag = " id=" + std::to_string(id) + " ";
    auto match = [&](const std::string& l) { return l.starts_with(sender) && Contains(l, tag); };
    const auto& lines = child_.lines();
    if (std::any_of(lines.begin(), lines.end(), match)) return true;
    return child_.WaitFor(match, timeout).has_value();
}

int TSimRouterProcess::CountLines(const std::string& part) const {
    const auto& lines = child_.lines();
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return Contains(l, part); }));
}

namespace {

// The number in a log line's "value=type:number", if it has one.
std::optional<std::uint32_t> LoggedNumber(const std::string& line) {
    std::size_t at = line.find(" value=");
    if (at == std::string::npos) return std::nullopt;
    std::size_t colon = line.find(':', at);
    if (colon == std::string::npos || colon + 1 >= line.size() ||
        !std::isdigit(static_cast<unsigned char>(line[colon + 1]))) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::stoul(line.substr(colon + 1)));
}

}  // namespace

std::optional<std::uint32_t> TSimRouterProcess::LastAnswer(const std::string& oid,
                                                           const std::string& to) const {
    const std::string tag = " oid=" + oid + " value=";
    const auto& lines = child_.lines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (!Contains(*line, tag) || !Contains(*line, "reply=sent")) continue;
        if (!to.empty() && !line->starts_with("from=" + to + " ")) continue;
        return LoggedNumber(*line);
    }
    return std::nullopt;
}

std::optional<std::uint32_t> TSimRouterProcess::Answer(std::uint16_t fromPort,
                                                       std::int32_t id) const {
    const std::string sender = "from=127.0.0.1:" + std::to_string(fromPort) + " ";
    const std::string tag = " id=" + std::to_string(id) + " ";
    for (const std::string& line : child_.lines()) {
        if (line.starts_with(sender) && Contains(line, tag)) return LoggedNumber(line);
    }
    return std::nullopt;
}

void PaceTo(const TSimRouterProcess& router, int second) {
    std::this_thread::sleep_until(router.started() +
                                  std::chrono::milliseconds(1000 * second + 500));
}
