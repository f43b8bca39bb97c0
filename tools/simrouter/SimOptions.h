// simrouter's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "snmp/Udpsocket.h"

struct TSimOptions {
    std::string bind = "127.0.0.1";
    int port = 16161;
    std::string community = "kelpie";
    int seconds = 0;  // 0: until SIGINT or SIGTERM
    std::optional<std::uint32_t> seed;
    bool log = false;
    bool wrapSoon = false;
    int restartAfter = 0;  // 0: never
    int interfaces = 0;    // 0: the branch router's twelve; else a switch of this many
    double loss = 0;       // percent of replies not sent
    int delayMs = 0;
    std::string replyFrom;  // empty: reply from the listening socket
    bool help = false;
};

// Reads the arguments after the program name. Returns an error text, or
// nothing when they are all good.
std::optional<std::string> ParseSimOptions(const std::vector<std::string>& args,
                                           TSimOptions& options);

// An IPv4 or IPv6 address as --bind and --reply-from take it.
bool ParseSimAddress(const std::string& text, TUdpAddress& address);

// The text --help prints.
std::string SimHelpText();
