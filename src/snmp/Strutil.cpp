#include "snmp/Strutil.h"

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

std::string_view CutText(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t size = limit;
    // A continuation byte (10xxxxxx) right after the cut belongs to the
    // character before it.
    auto continues = [&](std::size_t at) {
        return (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
    };
    for (int back = 0; back < 3 && size > 0 && continues(size); ++back) --size;
    if (continues(size)) size = limit;  // not UTF-8 here: cut at the limit
    return text.substr(0, size);
}
