// How long the texts the program holds may be, in bytes of the locale's
// 8-bit encoding: the one place each limit is named.
#pragma once

#include <cstddef>

#include "asn1/Asn1.h"

// Any text the model, a variable, the link or the settings hold: an
// address, a community, an OID, a value, a password, a label's caption.
inline constexpr std::size_t kMaxText = 1023;
// Such a text with its terminator, as the settings store reads it.
inline constexpr std::size_t kTextBufferSize = kMaxText + 1;
// The tray icon's tip.
inline constexpr std::size_t kTipLimit = 127;

// The decoder's longest OID text is one a variable can hold.
static_assert(kMaxOidText == kMaxText);
