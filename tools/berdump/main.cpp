// berdump: decodes one BER datagram given as hex and prints its node tree, or
// prints the GetRequest the monitor would send for a community, request-id and
// OID. A diagnostic for people who read SNMP traffic.
#include <array>
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asn1/Asn1.h"
#include "tools/berdump/HexText.h"

namespace {

constexpr int kOk = 0;
constexpr int kBadInput = 1;
constexpr int kUsage = 2;

constexpr const char* kHelp =
    "Usage: berdump HEX...\n"
    "       berdump --get COMMUNITY REQUEST-ID OID\n"
    "       berdump --getnext COMMUNITY REQUEST-ID OID\n"
    "       berdump --help\n"
    "\n"
    "berdump HEX... decodes one BER datagram, such as an SNMP message, and prints\n"
    "its node tree, one line per element, children indented by two spaces. The\n"
    "octets are hex digits, upper or lower case, given as arguments or, when there\n"
    "are no arguments, on standard input; white space is ignored anywhere, also\n"
    "between the two digits of an octet:\n"
    "\n"
    "    berdump 30 06 02 01 05 04 01 61\n"
    "    echo '3006020105040161' | berdump\n"
    "\n"
    "It exits with 0 when one element was decoded that spans the whole input.\n"
    "Otherwise it prints one line on standard error saying why, with the octet\n"
    "offset (from 0) where that applies, and exits with 1: no input, a character\n"
    "that is not a hex digit, an odd number of hex digits, a malformed element\n"
    "(a length past the end of its element, the indefinite or a three-octet\n"
    "length form, a high tag number, an OID sub-identifier over 32 bits, an OID\n"
    "text over 1023 characters, more than 1024 elements in one node, nesting\n"
    "deeper than 16), an identifier octet it does not know at the top level, or\n"
    "octets left over after the element (the tree is printed first).\n"
    "Elements it does not know inside a constructed one (IpAddress 40, Opaque 44,\n"
    "...) are left out of the tree whole, as the monitor's decoder does; their\n"
    "length octets must be well formed and within their parent all the same.\n"
    "INTEGER contents are read as an unsigned 32-bit number, as the monitor reads\n"
    "counters: 02 01 FF prints as integer 255.\n"
    "\n"
    "berdump --get COMMUNITY REQUEST-ID OID prints the SNMP version 1 GetRequest\n"
    "for one OID with a NULL value, as the monitor sends it, as upper-case hex\n"
    "pairs separated by single spaces on one line. REQUEST-ID is a signed 32-bit\n"
    "decimal number; OID is dotted decimal with at least two arcs, such as\n"
    "1.3.6.1.2.1.1.3.0.\n"
    "\n"
    "berdump --getnext COMMUNITY REQUEST-ID OID prints the GetNextRequest for\n"
    "that OID the same way: the monitor sends it to learn the router's interfaces.\n"
    "\n"
    "Wrong arguments exit with 2.\n";

int Fail(const std::string& why, int status = kBadInput) {
    std::fprintf(stderr, "berdump: %s\n", why.c_str());
    return status;
}

int Usage(const std::string& why) {
    return Fail(why + " (berdump --help says how to call it)", kUsage);
}

std::string HexByte(std::uint8_t octet) { return "0x" + FormatHex(std::span(&octet, 1)); }

// A character as it can be read in one line of a terminal.
std::string Shown(char c) {
    if (c > ' ' && c < 0x7F) return std::string("'") + c + "'";
    return "octet " + HexByte(static_cast<std::uint8_t>(c));
}

int DumpDatagram(std::string_view text) {
    THexOctets hex = ParseHex(text);
    switch (hex.error) {
        case HexError::None:
            break;
        case HexError::NotHex:
            return Fail("not a hex digit: " + Shown(text[hex.position]) + " after " +
                        std::to_string(hex.digits) + " hex digits");
        case HexError::OddDigits:
            return Fail("odd number of hex digits (" + std::to_string(hex.digits) + ")");
    }
    if (hex.octets.empty()) return Fail("no input: give the octets in hex");

    TAsn1Decoded decoded = Gulp(hex.octets);
    if (!decoded.fault.ok()) {
        return Fail("malformed at octet " + std::to_string(decoded.fault.offset) + ": " +
                    Asn1ErrorText(decoded.fault.error));
    }
    if (!decoded.node) {
        return Fail("unknown identifier octet " + HexByte(hex.octets[0]) + " at octet 0");
    }
    std::string dump;
    decoded.node->Dump(dump, 0);
    std::fwrite(dump.data(), 1, dump.size(), stdout);
    std::size_t consumed = decoded.consumed;
    if (consumed != hex.octets.size()) {
        std::fflush(stdout);
        std::size_t left = hex.octets.size() - consumed;
        return Fail(std::to_string(left) + (left == 1 ? " octet" : " octets") +
                    " left over after the element, from octet " + std::to_string(consumed));
    }
    return kOk;
}

bool IsDottedDecimal(std::string_view oid) {
    std::size_t arcs = 0;
    while (true) {
        std::size_t dot = oid.find('.');
        std::string_view arc = oid.substr(0, dot);
        std::uint32_t value = 0;
        auto [end, ec] = std::from_chars(arc.data(), arc.data() + arc.size(), value);
        if (arc.empty() || ec != std::errc{} || end != arc.data() + arc.size()) return false;
        ++arcs;
        if (dot == std::string_view::npos) break;
        oid.remove_prefix(dot + 1);
    }
    return arcs >= 2;
}

int PrintRequest(int pduTag, const std::string& community, std::string_view requestIdText,
                 const std::string& oid) {
    std::int32_t requestId = 0;
    auto [end, ec] = std::from_chars(requestIdText.data(),
                                     requestIdText.data() + requestIdText.size(), requestId);
    if (requestIdText.empty() || ec != std::errc{} ||
        end != requestIdText.data() + requestIdText.size()) {
        return Usage("REQUEST-ID is not a signed 32-bit decimal number: " +
                     std::string(requestIdText));
    }
    if (!IsDottedDecimal(oid))
        return Usage("OID is not dotted decimal with two arcs or more: " + oid);

    TAsn1SnmpGet request(community, requestId, oid, pduTag);
    std::vector<std::uint8_t> out(65536);
    std::size_t size = request.Encode(out);
    if (size == 0) return Fail("the request does not encode: the community or the OID is too long");
    std::string line = FormatHex(std::span(out).first(size));
    std::printf("%s\n", line.c_str());
    return kOk;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kHelp, stdout);
        return kOk;
    }
    for (auto [option, pduTag] :
         {std::pair{"--get", kGetRequestTag}, std::pair{"--getnext", kGetNextRequestTag}}) {
        if (args.empty() || args[0] != option) continue;
        if (args.size() != 4) return Usage(args[0] + " takes COMMUNITY REQUEST-ID OID");
        return PrintRequest(pduTag, args[1], args[2], args[3]);
    }
    if (!args.empty() && args[0].starts_with("-")) return Usage("unknown option " + args[0]);

    std::string text;
    if (args.empty()) {
        std::array<char, 4096> chunk{};
        while (std::size_t n = std::fread(chunk.data(), 1, chunk.size(), stdin))
            text.append(chunk.data(), n);
    } else {
        for (const std::string& arg : args) text.append(arg).push_back(' ');
    }
    return DumpDatagram(text);
}
