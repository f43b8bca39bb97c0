#include "tests/net/NetHelpers.h"

#include <ifaddrs.h>
#include <net/if.h>

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

long UdpStatistic(const std::string& name) {
    // Two "Udp:" lines: the names, then the numbers.
    std::ifstream snmp("/proc/net/snmp");
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
