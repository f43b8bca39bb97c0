// Finds the user's manual (ventrel.html or ventrel.htm) and hands it to the
// desktop's program for web pages.
#pragma once

#include <string>
#include <string_view>

// The directory and the file name joined with the platform's separator; a
// directory that already ends in a separator (or, on Windows, a drive's
// colon) gets none added. An empty directory gives the file name alone.
std::string JoinPath(std::string_view directory, std::string_view fileName);

// 1 when `path` names an existing file (not a directory) and was handed to
// the desktop, else 0.
int OpenIfExists(const std::string& path);

// Tries, in order, DIRECTORY/BASE.html, DIRECTORY/BASE.htm, BASE.html and
// BASE.htm in the current directory, and both beside the program. Returns 1
// for the first one found and opened; otherwise says "Unable to find
// documentation" unless `quiet`, and returns 0.
int OpenManual(std::string_view baseName, std::string_view directory, bool quiet);
