// Hex text <-> octets for test vectors: "30 26 02 01 00". The same reader
// and writer as berdump's, so a vector pasted from its output reads back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/berdump/HexText.h"

inline std::string ToHex(std::span<const std::uint8_t> octets) { return FormatHex(octets); }

// A vector that does not read is a typing error in the test: it fails the
// test rather than feeding fewer octets than meant.
inline std::vector<std::uint8_t> FromHex(std::string_view text) {
    THexOctets hex = ParseHex(text);
    if (!hex.ok()) ADD_FAILURE() << "not a hex vector: \"" << text << "\"";
    return hex.octets;
}
