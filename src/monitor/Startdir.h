// The working directory the program was started in, where the user's manual
// is looked for first.
#pragma once

#include <string>

// Records the current directory; the empty text when it cannot be had or is
// longer than 259 bytes.
void RecordStartDirectory();

const std::string& StartDirectory();
