#include "shell/Fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QString>
#include <QStringList>
#include <array>
#include <system_error>
#include <thread>

#ifdef VENTREL_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

#ifndef VENTREL_FALLBACK_FONT_DIR
#define VENTREL_FALLBACK_FONT_DIR "/usr/share/wine/fonts"
#endif

namespace {

struct TFallbackFace {
    const char* family;
    std::array<const char*, 2> files;  // empty names are unused slots
};

// Debian's fonts-wine ships metric-compatible copies of both faces.
constexpr std::array<TFallbackFace, 2> kFallbackFaces{{
    {"Tahoma", {"tahoma.ttf", "tahomabd.ttf"}},
    {"MS Sans Serif", {"ms_sans_serif.ttf", ""}},
}};

// The thread that reads the font configuration, joined once it is needed
// or, at the latest, when the program ends.
struct TFontConfigReader {
    std::thread thread;
    ~TFontConfigReader() { Wait(); }
    void Wait() {
        if (thread.joinable()) thread.join();
    }
};

TFontConfigReader& FontConfigReader() {
    static TFontConfigReader reader;
    return reader;
}

void RegisterMissingFaces() {
    const QStringList families = QFontDatabase::families();
    const QString folder = QStringLiteral(VENTREL_FALLBACK_FONT_DIR);
    for (const TFallbackFace& face : kFallbackFaces) {
        if (families.contains(QLatin1String(face.family), Qt::CaseInsensitive)) continue;
        for (const char* file : face.files)
            if (*file != '\0')
                QFontDatabase::addApplicationFont(folder + '/' + QLatin1String(file));
    }
}

QFont PixelFont(const char* family) {
    QFont font{QString::fromLatin1(family)};
    font.setPixelSize(11);
    return font;
}

}  // namespace

void StartReadingFontConfiguration() {
#ifdef VENTREL_HAVE_FONTCONFIG
    TFontConfigReader& reader = FontConfigReader();
    if (reader.thread.joinable()) return;
    try {
        // The configuration it loads is the one Qt's font database takes
        // up; without the thread, Qt loads it itself.
        reader.thread = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
    }
#endif
}

void RegisterFonts() {
    // The font database lives in the application object; everything runs
    // on its one thread.
    static bool registered = false;
    if (registered || qGuiApp == nullptr) return;
    registered = true;
    FontConfigReader().Wait();
    RegisterMissingFaces();
}

QFont MonitorFont() { return PixelFont("Tahoma"); }

QFont DialogFont() { return PixelFont("MS Sans Serif"); }
