#include "tools/berdump/HexText.h"

#include "snmp/Strutil.h"

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

THexOctets ParseHex(std::string_view text) {
    THexOctets result;
    result.octets.reserve(text.size() / 2);
    int high = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (IsSpace(c)) continue;
        int v = DigitValue(c);
        if (v < 0) {
            result.error = HexError::NotHex;
            result.position = i;
            result.octets.clear();
            return result;
        }
        ++result.digits;
        if (high < 0) {
            high = v;
        } else {
            result.octets.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    if (high >= 0) {
        result.error = HexError::OddDigits;
        result.octets.clear();
    }
    return result;
}

std::string FormatHex(std::span<const std::uint8_t> octets) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(octets.size() * 3);
    for (std::uint8_t octet : octets) {
        if (!text.empty()) text.push_back(' ');
        text.push_back(kDigits[octet >> 4]);
        text.push_back(kDigits[octet & 0x0F]);
    }
    return text;
}
