// White-space trimming for address texts typed by the user.
#pragma once

#include <string_view>

// True for the characters C's isspace() accepts in the "C" locale.
constexpr bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The text without white space at its start.
std::string_view TrimLeft(std::string_view text);
// The text without white space at its end.
std::string_view TrimRight(std::string_view text);
// The text without white space at either end.
std::string_view Trim(std::string_view text);
