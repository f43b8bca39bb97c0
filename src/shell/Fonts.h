// The two faces the program's forms are drawn in, and where they come from
// on systems that lack them.
#pragma once

#include <QFont>

// Starts reading the system's font configuration on a thread of its own,
// while the application object connects to the display: drawing the first
// text needs it, and it takes some milliseconds. Call it first in main;
// RegisterFonts waits for it.
void StartReadingFontConfiguration();

// Registers Tahoma and "MS Sans Serif" from Wine's font folder when the
// system has no face of that name. Does nothing before the application
// object exists; registers once.
void RegisterFonts();

// Tahoma, 11 pixels high (8 point at 96 pixels per inch): the main window's font.
QFont MonitorFont();
// "MS Sans Serif", 11 pixels high: the About box's font.
QFont DialogFont();
