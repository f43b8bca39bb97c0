// Hex text <-> octets for test vectors: "30 26 02 01 00".
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline std::string ToHex(std::span<const std::uint8_t> octets) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t octet : octets) {
        if (!text.empty()) text.push_back(' ');
        text.push_back(digits[octet >> 4]);
        text.push_back(digits[octet & 0x0F]);
    }
    return text;
}

inline std::vector<std::uint8_t> FromHex(std::string_view text) {
    std::vector<std::uint8_t> octets;
    int high = -1;
    for (char c : text) {
        int v = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                       : -1;
        if (v < 0) continue;
        if (high < 0) {
            high = v;
        } else {
            octets.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return octets;
}
