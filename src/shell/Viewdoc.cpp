#include "shell/Viewdoc.h"

#include <QFileInfo>
#include <QString>

#include "shell/Desktop.h"

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
bool EndsInSeparator(std::string_view d) { return d.back() == '\\' || d.back() == ':'; }
#else
constexpr char kSeparator = '/';
bool EndsInSeparator(std::string_view d) { return d.back() == '/'; }
#endif

// Paths are kept to what the platform's 1024-byte buffers held.
constexpr std::size_t kMaxPath = 1023;

// The directory of the running program, or empty when it cannot be had. Qt
// names the program with '/' on every platform, Windows included, so Qt cuts
// the name off, not a search for the platform's separator.
std::string ProgramDirectory() {
    const QString program = Desktop().ApplicationFilePath();
    if (program.isEmpty() || static_cast<std::size_t>(program.toLocal8Bit().size()) > kMaxPath) {
        return {};
    }
    return QFileInfo(program).absolutePath().toLocal8Bit().toStdString();
}

}  // namespace

std::string JoinPath(std::string_view directory, std::string_view fileName) {
    std::string out(directory);
    if (!out.empty() && !EndsInSeparator(out)) out.push_back(kSeparator);
    out.append(fileName);
    return out;
}

int OpenIfExists(const std::string& path) {
    if (path.empty() || path.size() > kMaxPath) return 0;
    QFileInfo file(QString::fromLocal8Bit(path));
    if (!file.exists() || !file.isFile()) return 0;
    Desktop().Open(file.filePath());
    return 1;
}

int OpenManual(std::string_view baseName, std::string_view directory, bool quiet) {
    const std::string html = std::string(baseName) + ".html";
    const std::string htm = std::string(baseName) + ".htm";
    if (OpenIfExists(JoinPath(directory, html)) || OpenIfExists(JoinPath(directory, htm)) ||
        OpenIfExists(html) || OpenIfExists(htm)) {
        return 1;
    }
    const std::string programDirectory = ProgramDirectory();
    if (!programDirectory.empty() && (OpenIfExists(JoinPath(programDirectory, html)) ||
                                      OpenIfExists(JoinPath(programDirectory, htm)))) {
        return 1;
    }
    if (!quiet) Desktop().MessageBox("Unable to find documentation", "error");
    return 0;
}
