// What the tray icon's tip says: the program's name with the figures the
// window shows, that the window waits for the router, or since when the
// router has been silent. Every tip fits the tray's 127 bytes.
#pragma once

#include <string>
#include <string_view>

#include "snmp/Limits.h"

struct TReadings;

// "Ventrel · FastEthernet0/1 · in 260 pps · out 348 pps · CPU 7% · mem 68%",
// each figure as its gauge shows it, in UTF-8 like every text the program
// writes itself. `entry` is the selected entry of the interface list, in the
// locale's 8-bit encoding as the router's texts are; it is shortened, never
// the figures, when the tip would not fit. Without a selected interface the
// tip has no packet figures, and a figure the router cannot give is left out.
std::string ReadingsTip(const TReadings& readings, std::string_view entry);

// "Ventrel · waiting for the router".
std::string WaitingTip();

// "Ventrel · no answer from the router since 14:03:15", `since` being the
// time of the last matched reply as the user reads the clock.
std::string SilentTip(std::string_view since);
