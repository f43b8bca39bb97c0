#include "tests/support/NetHelpers.h"

#ifdef _WIN32
#include <winsock2.h>
// After winsock2.h, which must come before windows.h.
#include <iphlpapi.h>
#else
#include <ifaddrs.h>
#include <net/if.h>
#endif

#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace nettest {

std::unique_ptr<TSnmpValue> WaitForValue(TSnmpConnection& link, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    std::unique_ptr<TSnmpValue> value;
    while (link.Poll(value) == 0) {
        if (std::chrono::steady_clock::now() >= end) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return value;
}

bool WaitForLookup(TSnmpConnection& link, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (link.TakeLookup(); link.LookingUp(); link.TakeLookup()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

namespace {

const TAsn1Sequence* PduOf(const TSnmpValue& value) {
    auto* message = dynamic_cast<const TAsn1Sequence*>(value.reply.get());
    return message ? dynamic_cast<const TAsn1Sequence*>(message->Child(2)) : nullptr;
}

std::int64_t PduInteger(const TSnmpValue& value, int index) {
    const TAsn1Sequence* pdu = PduOf(value);
    auto* number = pdu ? dynamic_cast<const TAsn1Integer*>(pdu->Child(index)) : nullptr;
    return number ? number->value : -1;
}

}  // namespace

std::int64_t RequestIdOf(const TSnmpValue& value) { return PduInteger(value, 0); }

std::int64_t ErrorStatusOf(const TSnmpValue& value) { return PduInteger(value, 1); }

const TAsn1Base* BindingValueOf(const TSnmpValue& value) {
    const TAsn1Sequence* pdu = PduOf(value);
    auto* bindings = pdu ? dynamic_cast<const TAsn1Sequence*>(pdu->Child(3)) : nullptr;
    auto* binding = bindings ? dynamic_cast<const TAsn1Sequence*>(bindings->Child(0)) : nullptr;
    return binding ? binding->Child(1) : nullptr;
}

#ifdef _WIN32

bool InPrivateNetwork() {
    // Under Wine the adapters are the namespace's interfaces, as the Wine
    // server that makes the sockets sees them.
    std::vector<std::uint8_t> buffer(16384);
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto size = static_cast<ULONG>(buffer.size());
        auto* list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
        const ULONG result = ::GetAdaptersAddresses(
            AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, list, &size);
        if (result == ERROR_BUFFER_OVERFLOW) {
            buffer.resize(size);
            continue;
        }
        if (result != NO_ERROR) return false;
        for (const IP_ADAPTER_ADDRESSES* a = list; a != nullptr; a = a->Next) {
            if (a->OperStatus == IfOperStatusUp && a->IfType != IF_TYPE_SOFTWARE_LOOPBACK)
                return false;
        }
        return true;
    }
    return false;
}

// Only ever read under Wine (nothing that sends runs outside a private
// network): the Linux counters of the namespace, through Wine's drive Z:.
constexpr const char* kUdpCounters = "Z:\\proc\\net\\snmp";

#else

bool InPrivateNetwork() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    bool closed = true;
    for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if ((i->ifa_flags & IFF_UP) != 0 && (i->ifa_flags & IFF_LOOPBACK) == 0) closed = false;
    }
    ::freeifaddrs(list);
    return closed;
}

constexpr const char* kUdpCounters = "/proc/net/snmp";

#endif

long UdpStatistic(const std::string& name) {
    // Two "Udp:" lines: the names, then the numbers.
    std::ifstream snmp(kUdpCounters);
    std::string line;
    std::vector<std::string> names;
    while (std::getline(snmp, line)) {
        if (line.rfind("Udp: ", 0) != 0) continue;
        std::istringstream words(line.substr(5));
        std::vector<std::string> fields;
        for (std::string w; words >> w;) fields.push_back(w);
        if (names.empty()) {
            names = fields;
            continue;
        }
        for (std::size_t i = 0; i < names.size() && i < fields.size(); ++i) {
            if (names[i] == name) return std::stol(fields[i]);
        }
    }
    return -1;
}

long UdpOutDatagrams() { return UdpStatistic("OutDatagrams"); }

TUdpAddress Loopback() {
    TUdpAddress address;
    ParseIpv4("127.0.0.1", address);
    return address;
}

}  // namespace nettest
