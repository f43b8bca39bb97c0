// Octets written as hex text, the way people paste them from packet dumps:
// "30 26 02 01 00 ...". Used by berdump and by the tests that feed it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class HexError {
    None,
    NotHex,     // a character that is neither a hex digit nor white space
    OddDigits,  // the digits do not pair up into whole octets
};

struct THexOctets {
    std::vector<std::uint8_t> octets;
    HexError error = HexError::None;
    std::size_t position = 0;  // NotHex: index of the offending character
    std::size_t digits = 0;    // hex digits read

    bool ok() const { return error == HexError::None; }
};

// Reads pairs of hex digits, upper or lower case. White space is ignored
// everywhere, also between the two digits of an octet.
THexOctets ParseHex(std::string_view text);

// Upper-case hex pairs separated by single spaces: "30 26 02".
std::string FormatHex(std::span<const std::uint8_t> octets);
