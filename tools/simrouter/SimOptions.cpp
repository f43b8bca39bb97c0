#include "tools/simrouter/SimOptions.h"

#include <charconv>
#include <functional>
#include <map>

#include "snmp/Udpsocket.h"
#include "tools/simrouter/SimRouter.h"

namespace {

template <typename Number>
bool ReadNumber(const std::string& text, Number low, Number high, Number& out) {
    Number value{};
    auto read = std::from_chars(text.data(), text.data() + text.size(), value);
    if (read.ec != std::errc{} || read.ptr != text.data() + text.size()) return false;
    if (value < low || value > high) return false;
    out = value;
    return true;
}

bool IsAddress(const std::string& text) {
    TUdpAddress address;
    return ParseSimAddress(text, address);
}

}  // namespace

bool ParseSimAddress(const std::string& text, TUdpAddress& address) {
    return ParseIpv4(text, address) || ParseIpv6(text, address);
}

std::string SimHelpText() {
    return "usage: simrouter [options]\n"
           "A simulated Cisco router: an SNMP version 1 agent on UDP that answers the\n"
           "objects Ventrel polls (CPU load, memory pools, interface names and counters).\n"
           "\n"
           "  --bind ADDR          IPv4 or IPv6 address to listen on, such as ::1\n"
           "                       (default 127.0.0.1)\n"
           "  --port N             UDP port to listen on (default 16161)\n"
           "  --community TEXT     community to answer; others get no answer (default kelpie)\n"
           "  --seconds N          stop by itself after N seconds (default: run until\n"
           "                       SIGINT or SIGTERM)\n"
           "  --seed N             seed of the simulation, for values that repeat run by run\n"
           "  --log                print one line per request: sender, community,\n"
           "                       request-id, OID and what became of it\n"
           "  --wrap-soon          start the interface counters close below 2^32, so they\n"
           "                       wrap within about a minute\n"
           "  --restart-after N    restart the router once after N seconds: counters and\n"
           "                       uptime go back to zero\n"
           "  --interfaces N       play a switch of N interfaces (1 to 10000), numbered as\n"
           "                       switches number them: ifIndex 1, then 10101 onwards\n"
           "  --loss PERCENT       do not send this share of the replies (0 to 100)\n"
           "  --delay MS           send each reply MS milliseconds late (at most 60000)\n"
           "  --reply-from ADDR    send replies from a second socket bound to ADDR, such as\n"
           "                       127.0.0.2, as a router with several addresses may; of\n"
           "                       the same family as --bind\n"
           "  --help               print this text\n";
}

std::optional<std::string> ParseSimOptions(const std::vector<std::string>& args,
                                           TSimOptions& options) {
    using Reader = std::function<bool(const std::string&)>;
    const std::map<std::string, Reader> withValue = {
        {"--bind",
         [&](const std::string& v) {
             options.bind = v;
             return IsAddress(v);
         }},
        {"--port", [&](const std::string& v) { return ReadNumber(v, 1, 65535, options.port); }},
        {"--community",
         [&](const std::string& v) {
             options.community = v;
             return true;
         }},
        {"--seconds",
         [&](const std::string& v) { return ReadNumber(v, 0, 86400 * 365, options.seconds); }},
        {"--seed",
         [&](const std::string& v) {
             std::uint32_t seed = 0;
             if (!ReadNumber<std::uint32_t>(v, 0, UINT32_MAX, seed)) return false;
             options.seed = seed;
             return true;
         }},
        {"--restart-after",
         [&](const std::string& v) { return ReadNumber(v, 1, 86400 * 365, options.restartAfter); }},
        {"--interfaces",
         [&](const std::string& v) {
             return ReadNumber(v, 1, TSimRouter::kMaxInterfaces, options.interfaces);
         }},
        {"--loss", [&](const std::string& v) { return ReadNumber(v, 0.0, 100.0, options.loss); }},
        {"--delay", [&](const std::string& v) { return ReadNumber(v, 0, 60000, options.delayMs); }},
        {"--reply-from",
         [&](const std::string& v) {
             options.replyFrom = v;
             return IsAddress(v);
         }},
    };
    const std::map<std::string, bool*> flags = {
        {"--log", &options.log}, {"--wrap-soon", &options.wrapSoon}, {"--help", &options.help}};

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (std::size_t equals = name.find('=');
            name.starts_with("--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (auto flag = flags.find(name); flag != flags.end() && !value) {
            *flag->second = true;
            continue;
        }
        auto reader = withValue.find(name);
        if (reader == withValue.end()) return "unknown option " + args[i];
        if (!value) {
            if (i + 1 >= args.size()) return name + " needs a value";
            value = args[++i];
        }
        if (!reader->second(*value)) return "bad value for " + name + ": " + *value;
    }
    return std::nullopt;
}
