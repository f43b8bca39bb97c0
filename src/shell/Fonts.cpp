#include "shell/Fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QString>
#include <QStringList>
#include <array>

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

void RegisterFonts() {
    // The font database lives in the application object; everything runs
    // on its one thread.
    static bool registered = false;
    if (registered || qGuiApp == nullptr) return;
    registered = true;
    RegisterMissingFaces();
}

QFont MonitorFont() { return PixelFont("Tahoma"); }

QFont DialogFont() { return PixelFont("MS Sans Serif"); }
