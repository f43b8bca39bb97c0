#include "monitor/Startdir.h"

#include <filesystem>
#include <system_error>

namespace {
std::string startDirectory;
}

void RecordStartDirectory() {
    std::error_code error;
    std::string path = std::filesystem::current_path(error).string();
    startDirectory = !error && path.size() <= 259 ? path : std::string();
}

const std::string& StartDirectory() { return startDirectory; }
