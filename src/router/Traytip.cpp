#include "router/Traytip.h"

#include <QString>
#include <algorithm>
#include <cstdint>

#include "router/Readings.h"
#include "snmp/Strutil.h"

namespace {

constexpr std::string_view kName = "Ventrel";
constexpr std::string_view kDot = " \u00B7 ";

// A rate as its gauge shows it: whole packets, a negative one (a counter
// that went back) as the gauge's 0.
std::string Packets(double pps) {
    return std::to_string(pps >= 1 ? static_cast<std::int64_t>(pps) : 0) + " pps";
}

// A percentage as its gauge shows it, clamped to the gauge's 0 to 100.
std::string Percentage(double value) {
    return std::to_string(static_cast<int>(std::clamp(value >= 0 ? value : 0.0, 0.0, 100.0))) + "%";
}

std::string Fit(std::string tip) { return std::string(CutText(tip, kTipLimit)); }

}  // namespace

std::string ReadingsTip(const TReadings& readings, std::string_view entry) {
    // A figure the router cannot give is left out.
    std::string figures;
    if (readings.in) figures += std::string(kDot) + "in " + Packets(readings.in->pps);
    if (readings.out) figures += std::string(kDot) + "out " + Packets(readings.out->pps);
    if (readings.cpu) figures += std::string(kDot) + "CPU " + Percentage(*readings.cpu);
    if (readings.memory) figures += std::string(kDot) + "mem " + Percentage(*readings.memory);

    std::string tip(kName);
    if (readings.interfaceSelected && !entry.empty()) {
        // The router's name in the tip's UTF-8. It may be up to 1023 bytes
        // long: the name gives way, the figures stay.
        const QByteArray utf8 =
            QString::fromLocal8Bit(entry.data(), static_cast<qsizetype>(entry.size())).toUtf8();
        const std::string_view name(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        const std::size_t fixed = tip.size() + kDot.size() + figures.size();
        const std::size_t room = kTipLimit > fixed ? kTipLimit - fixed : 0;
        tip += std::string(kDot) + std::string(CutText(name, room));
    }
    return Fit(tip + figures);
}

std::string WaitingTip() {
    return Fit(std::string(kName) + std::string(kDot) + "waiting for the router");
}

std::string SilentTip(std::string_view since) {
    return Fit(std::string(kName) + std::string(kDot) + "no answer from the router since " +
               std::string(since));
}
