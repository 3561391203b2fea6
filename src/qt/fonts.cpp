#include "qt/fonts.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>

namespace ostrane::qt {

namespace {

// Debian's fonts-wine keeps its metric-compatible Tahoma outside the system's font folders.
const char* const TahomaFiles[] = {"/usr/share/wine/fonts/tahoma.ttf",
                                   "/usr/share/wine/fonts/tahomabd.ttf"};

struct Substitute {
    const char* face;
    QStringList nearest;
};

// Nearest first; the last of each list ships with every Debian install of the program.
const Substitute Substitutes[] = {
    {"Arial", {"Liberation Sans", "DejaVu Sans"}},
    // Bold at small sizes, the free Tahoma is too thin to stand in for this one.
    {"MS Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
    {"Tahoma", {"DejaVu Sans"}},
    {"Century Gothic", {"URW Gothic", "DejaVu Sans"}},
    {"News Gothic MT", {"Liberation Sans Narrow", "DejaVu Sans"}},
    {"Tempus Sans ITC", {"Comic Neue", "DejaVu Sans"}},
};

} // namespace

void installFontSubstitutes() {
    for (const auto& substitute : Substitutes)
        QFont::insertSubstitutions(QString::fromLatin1(substitute.face), substitute.nearest);
}

QString installedFace(const QString& face) {
    // Asked each time: a font added since (Tahoma) counts.
    QStringList installed = QFontDatabase::families();
    // A face made by several foundries is listed once for each: "URW Gothic [urw]".
    for (QString& family : installed)
        if (const qsizetype foundry = family.indexOf(QLatin1String(" [")); foundry > 0)
            family.truncate(foundry);
    // Qt keeps the substitutes in lower case; the face is given as installed.
    QStringList candidates = QFont::substitutes(face);
    candidates.prepend(face);
    for (const QString& candidate : candidates)
        for (const QString& family : installed)
            if (family.compare(candidate, Qt::CaseInsensitive) == 0)
                return family;
    return face;
}

void addTahoma() {
    static const bool added = [] {
        for (const char* file : TahomaFiles)
            if (QFile::exists(QString::fromLatin1(file)))
                QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        return true;
    }();
    (void)added;
}

} // namespace ostrane::qt
