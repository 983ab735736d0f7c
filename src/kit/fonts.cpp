#include "kit/fonts.h"

#include <QStringList>
#include <cmath>

namespace zelto {

namespace {

/// Pixels at the 96 dots per inch the window layouts were made for.
int pixelsAt96Dpi(qreal pointSize) {
    return static_cast<int>(std::lround(pointSize * 96.0 / 72.0));
}

QFont mappedFont(const QStringList& families, QFont::StyleHint hint, qreal pointSize, bool bold) {
    QFont font;
    font.setFamilies(families);
    // Without one of the named families installed, the generic family of the same kind
    // still has the glyphs of every Italian text, so nothing falls back to empty boxes.
    font.setStyleHint(hint);
    font.setPixelSize(pixelsAt96Dpi(pointSize));
    font.setBold(bold);
    return font;
}

} // namespace

QFont msSansSerif(qreal pointSize, bool bold) {
    return mappedFont({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")},
                      QFont::SansSerif, pointSize, bold);
}

QFont timesNewRoman(qreal pointSize, bool bold) {
    return mappedFont({QStringLiteral("Liberation Serif"), QStringLiteral("Times New Roman")},
                      QFont::Serif, pointSize, bold);
}

} // namespace zelto
