// What a tree looks like after it was encoded and decoded again. The decoder
// reads INTEGER contents as an unsigned number without sign extension, so a
// negative INTEGER that encodes in fewer than four octets comes back as the
// pattern of those octets: -1 (02 01 FF) decodes as 255. Everything else the
// encoder writes decodes to what it was. Shared by the round-trip test and the
// fuzzer.
#pragma once

#include <cstdint>

#include "asn1/Asn1.h"

// The value a decoder finds for `value` encoded with `identifier`.
inline std::int32_t DecodedInteger(std::int32_t value, std::uint8_t identifier) {
    // The application types are encoded as unsigned numbers: exact.
    if (identifier != kTagInteger || value >= 0) return value;
    // Fewest two's-complement octets for a negative value.
    int octets = value >= -0x80 ? 1 : value >= -0x8000 ? 2 : value >= -0x800000 ? 3 : 4;
    if (octets == 4) return value;
    std::uint32_t mask = (std::uint32_t{1} << (8 * octets)) - 1;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) & mask);
}

// Rewrites every INTEGER of the tree to what decoding its encoding gives.
inline void NormaliseIntegers(TAsn1Base& node) {
    if (auto* integer = dynamic_cast<TAsn1Integer*>(&node)) {
        integer->value = DecodedInteger(integer->value, integer->identifier);
    } else if (auto* sequence = dynamic_cast<TAsn1Sequence*>(&node)) {
        for (auto& child : sequence->children) {
            if (child) NormaliseIntegers(*child);
        }
    }
}
