#include "tools/simrouter/SimRouter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "router/Oids.h"

namespace {

struct InterfaceKind {
    const char* name;
    double unicastIn;  // packets per second
    double unicastOut;
    double averageSize;
};

// A branch router: two LAN ports, two serial links, four gigabit ports of
// which some carry little, and the virtual interfaces.
constexpr std::array<InterfaceKind, TSimRouter::kInterfaceCount> kInterfaces = {{
    {"FastEthernet0/0", 820, 640, 610},
    {"FastEthernet0/1", 310, 420, 480},
    {"Serial0/0/0", 140, 120, 720},
    {"Serial0/0/1", 35, 30, 540},
    {"GigabitEthernet0/0", 2600, 2100, 890},
    {"GigabitEthernet0/1", 1200, 1500, 760},
    {"GigabitEthernet0/2", 90, 60, 300},
    {"GigabitEthernet0/3", 0, 0, 64},
    {"Loopback0", 2, 2, 80},
    {"Tunnel0", 55, 48, 410},
    {"Vlan1", 180, 160, 350},
    {"Null0", 0, 0, 64},
}};

// A switch's ports, by turns.
constexpr std::array<InterfaceKind, 4> kPorts = {{
    {"", 420, 380, 640},
    {"", 35, 60, 300},
    {"", 1500, 900, 1100},
    {"", 0, 0, 64},
}};

// The columns of the interface table simrouter answers (RFC 1213): ifIndex,
// ifDescr, ifInOctets, ifInUcastPkts, ifInNUcastPkts, ifOutOctets,
// ifOutUcastPkts, ifOutNUcastPkts.
constexpr std::array<long, 8> kIfColumns = {1, 2, 10, 11, 12, 16, 17, 18};
// The pool columns Name, Used and Free; the CPU columns 5sec, 1min and 5min.
constexpr std::array<long, 3> kPoolColumns = {2, 5, 6};
constexpr std::array<long, 3> kCpuColumns = {6, 7, 8};

constexpr std::string_view kSysDescr =
    "Cisco IOS Software, 2900 Software (C2900-UNIVERSALK9-M), Version 15.4(3)M3, "
    "RELEASE SOFTWARE (fc2) - simulated by simrouter";
constexpr std::string_view kSysObjectId = "1.3.6.1.4.1.9.1.1041";

// One arc of an OID text in its canonical form: digits, no leading zero.
bool Arc(std::string_view text, long& value) {
    if (text.empty() || (text.size() > 1 && text.front() == '0')) return false;
    auto read = std::from_chars(text.data(), text.data() + text.size(), value);
    return read.ec == std::errc{} && read.ptr == text.data() + text.size();
}

// Splits the "column.row" that follows a table's `entry` in an OID.
bool TableCell(std::string_view oid, std::string_view entry, long& column, long& row) {
    if (oid.size() <= entry.size() || !oid.starts_with(entry) || oid[entry.size()] != '.')
        return false;
    std::string_view rest = oid.substr(entry.size() + 1);
    std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos) return false;
    return Arc(rest.substr(0, dot), column) && Arc(rest.substr(dot + 1), row);
}

std::unique_ptr<TAsn1Base> Number(std::uint32_t value, std::uint8_t tag) {
    return std::make_unique<TAsn1Integer>(static_cast<std::int32_t>(value), tag);
}

std::uint32_t Add(std::uint32_t counter, double amount) {
    return counter + static_cast<std::uint32_t>(std::llround(std::max(0.0, amount)));
}

}  // namespace

TSimRouter::TSimRouter(std::uint32_t seed, bool wrapSoon, int restartAfter, int switchPorts)
    : random_(seed), restartAfter_(restartAfter) {
    cpu = static_cast<int>(Uniform(8, 25));
    // Days of uptime before we were asked first.
    uptimeAtStart_ = static_cast<std::uint32_t>(Uniform(1, 40) * 86400.0 * 100.0);

    pools[0] = {"Processor", 402653184u, 0, 140000000u, 300000000u};
    pools[1] = {"I/O", 67108864u, 0, 14000000u, 40000000u};
    for (TSimPool& pool : pools) {
        pool.used = static_cast<std::uint32_t>(Uniform(pool.lowest, pool.highest));
    }

    const int count = switchPorts > 0 ? std::min(switchPorts, kMaxInterfaces) : kInterfaceCount;
    interfaces.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        TSimInterface& entry = interfaces[i];
        InterfaceKind kind = kInterfaces[i % kInterfaces.size()];
        entry.ifIndex = static_cast<std::int32_t>(i + 1);
        if (switchPorts > 0) {
            kind = i == 0 ? kInterfaces[10] : kPorts[(i - 1) % kPorts.size()];
            entry.ifIndex = i == 0 ? 1 : kFirstPortIndex + static_cast<std::int32_t>(i - 1);
        }
        entry.name =
            switchPorts > 0 && i > 0 ? "GigabitEthernet1/0/" + std::to_string(i) : kind.name;
        entry.unicastIn = kind.unicastIn;
        entry.unicastOut = kind.unicastOut;
        entry.averageSize = kind.averageSize;
        entry.load = Uniform(0.6, 1.4);
        // Wrapping soon: 20 to 60 seconds of traffic below the top. Else the
        // totals of some weeks of running.
        auto start = [&](double perSecond) {
            if (wrapSoon) {
                double room = std::max(1.0, perSecond) * Uniform(20, 60);
                return static_cast<std::uint32_t>(4294967296.0 - room);
            }
            return static_cast<std::uint32_t>(
                std::fmod(perSecond * Uniform(1e5, 2e6), 4294967296.0));
        };
        entry.inUcast = start(kind.unicastIn);
        entry.outUcast = start(kind.unicastOut);
        entry.inNUcast = start(kind.unicastIn * 0.02);
        entry.outNUcast = start(kind.unicastOut * 0.01);
        entry.inOctets = start(kind.unicastIn * kind.averageSize);
        entry.outOctets = start(kind.unicastOut * kind.averageSize);
    }

    // Every object answered, in the order of the tree: the system group,
    // ifNumber, the interface table column by column, the memory pools,
    // the CPU.
    objects_ = {mib::kSysDescr, mib::kSysObjectId, mib::kSysUpTime, mib::kSysName, mib::kIfNumber};
    for (long column : kIfColumns) {
        for (const TSimInterface& entry : interfaces)
            objects_.push_back(mib::Cell(mib::Cell(mib::kIfEntry, column), entry.ifIndex));
    }
    for (long column : kPoolColumns) {
        for (long pool = 1; pool <= static_cast<long>(pools.size()); ++pool)
            objects_.push_back(mib::Cell(mib::Cell(mib::kPoolEntry, column), pool));
    }
    for (long column : kCpuColumns)
        objects_.push_back(mib::Cell(mib::Cell(mib::kCpuEntry, column), 1));
}

double TSimRouter::Uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random_);
}

void TSimRouter::AdvanceTo(std::int64_t second) {
    while (second_ < second) {
        ++second_;
        Step();
        if (restartAfter_ > 0 && !restarted_ && second_ >= restartAfter_) Restart();
    }
}

void TSimRouter::Step() {
    // The CPU wanders, with a rare spike, between 5 and 60 percent. It is a
    // five-second average, which a router works out anew every five seconds.
    // The draws are made every second all the same, so that the rest of the
    // simulation sees the same random numbers.
    double spike = Uniform(0, 1) < 0.03 ? Uniform(10, 25) : 0;
    double change = Uniform(-4, 4) + spike;
    if (second_ % 5 == 0) cpu = static_cast<int>(std::clamp(cpu + change, 5.0, 60.0));

    for (TSimPool& pool : pools) {
        double step = (pool.highest - pool.lowest) * 0.02;
        double used = pool.used + Uniform(-step, step);
        pool.used = static_cast<std::uint32_t>(
            std::clamp(used, static_cast<double>(pool.lowest), static_cast<double>(pool.highest)));
    }

    for (TSimInterface& entry : interfaces) {
        entry.load = std::clamp(entry.load + Uniform(-0.08, 0.08), 0.2, 1.8);
        double in = entry.unicastIn * entry.load * Uniform(0.85, 1.15);
        double out = entry.unicastOut * entry.load * Uniform(0.85, 1.15);
        double inBroadcast = entry.unicastIn > 0 ? in * Uniform(0.01, 0.03) + Uniform(0, 2) : 0;
        double outBroadcast = entry.unicastOut > 0 ? out * Uniform(0.005, 0.015) : 0;
        entry.inUcast = Add(entry.inUcast, in);
        entry.outUcast = Add(entry.outUcast, out);
        entry.inNUcast = Add(entry.inNUcast, inBroadcast);
        entry.outNUcast = Add(entry.outNUcast, outBroadcast);
        entry.inOctets = Add(entry.inOctets, (in + inBroadcast) * entry.averageSize);
        entry.outOctets = Add(entry.outOctets, (out + outBroadcast) * entry.averageSize);
    }
}

void TSimRouter::Restart() {
    restarted_ = true;
    bootSecond_ = second_;
    uptimeAtStart_ = 0;
    for (TSimInterface& entry : interfaces) {
        entry.inUcast = entry.inNUcast = entry.outUcast = entry.outNUcast = 0;
        entry.inOctets = entry.outOctets = 0;
    }
}

std::unique_ptr<TAsn1Base> TSimRouter::Get(std::string_view oid) const {
    // system group (RFC 1213)
    if (oid == mib::kSysDescr) return std::make_unique<TAsn1OctetString>(kSysDescr);
    if (oid == mib::kSysObjectId) return std::make_unique<TAsn1Object>(kSysObjectId);
    if (oid == mib::kSysUpTime) {
        auto ticks = uptimeAtStart_ + static_cast<std::uint32_t>((second_ - bootSecond_) * 100);
        return Number(ticks, kTagTimeTicks);
    }
    if (oid == mib::kSysName) return std::make_unique<TAsn1OctetString>("simrouter");
    if (oid == mib::kIfNumber)
        return Number(static_cast<std::uint32_t>(interfaces.size()), kTagInteger);

    long column = 0;
    long row = 0;
    // cpmCPUTotal5secRev, 1minRev and 5minRev of CPU entry 1
    if (TableCell(oid, mib::kCpuEntry, column, row)) {
        const bool known =
            std::find(kCpuColumns.begin(), kCpuColumns.end(), column) != kCpuColumns.end();
        return known && row == 1 ? Number(static_cast<std::uint32_t>(cpu), kTagGauge) : nullptr;
    }
    // ciscoMemoryPoolTable: name (2), used (5), free (6) of pools 1 and 2
    if (TableCell(oid, mib::kPoolEntry, column, row)) {
        if (row < 1 || row > static_cast<long>(pools.size())) return nullptr;
        const TSimPool& pool = pools[static_cast<std::size_t>(row - 1)];
        switch (column) {
            case 2:
                return std::make_unique<TAsn1OctetString>(pool.name);
            case 5:
                return Number(pool.used, kTagGauge);
            case 6:
                return Number(pool.size - pool.used, kTagGauge);
            default:
                return nullptr;
        }
    }
    // ifTable (RFC 1213), its rows by ifIndex
    if (TableCell(oid, mib::kIfEntry, column, row)) {
        const TSimInterface* found = Interface(row);
        if (found == nullptr) return nullptr;
        const TSimInterface& entry = *found;
        switch (column) {
            case 1:
                return Number(static_cast<std::uint32_t>(row), kTagInteger);
            case 2:
                return std::make_unique<TAsn1OctetString>(entry.name);
            case 10:
                return Number(entry.inOctets, kTagCounter);
            case 11:
                return Number(entry.inUcast, kTagCounter);
            case 12:
                return Number(entry.inNUcast, kTagCounter);
            case 16:
                return Number(entry.outOctets, kTagCounter);
            case 17:
                return Number(entry.outUcast, kTagCounter);
            case 18:
                return Number(entry.outNUcast, kTagCounter);
            default:
                return nullptr;
        }
    }
    return nullptr;
}

const TSimInterface* TSimRouter::Interface(long ifIndex) const {
    auto found = std::lower_bound(
        interfaces.begin(), interfaces.end(), ifIndex,
        [](const TSimInterface& entry, long index) { return entry.ifIndex < index; });
    return found != interfaces.end() && found->ifIndex == ifIndex ? &*found : nullptr;
}

std::optional<std::string> TSimRouter::Next(std::string_view oid) const {
    auto after = std::upper_bound(
        objects_.begin(), objects_.end(), oid,
        [](std::string_view asked, const std::string& object) { return OidBefore(asked, object); });
    if (after == objects_.end()) return std::nullopt;
    return *after;
}
