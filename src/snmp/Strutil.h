// White-space trimming for address texts typed by the user, and the cut of
// a text to a byte limit.
#pragma once

#include <cstddef>
#include <string_view>

// True for the characters C's isspace() accepts in the "C" locale.
constexpr bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The text without white space at its start.
std::string_view TrimLeft(std::string_view text);
// The text without white space at its end.
std::string_view TrimRight(std::string_view text);
// The text without white space at either end.
std::string_view Trim(std::string_view text);

// The text cut to at most `limit` bytes. A UTF-8 character that would be
// split at the cut goes whole; at most three bytes are given back for it, so
// a long text never comes out empty, whatever its bytes.
std::string_view CutText(std::string_view text, std::size_t limit);
