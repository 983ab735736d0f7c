// The classic Windows fonts of the game's windows, mapped to fonts that every machine has.
#pragma once

#include <QFont>

namespace zelto {

/// "MS Sans Serif" at `pointSize`, drawn with Liberation Sans (or Arial, or the sans-serif
/// default). The size is a pixel size fixed for 96 dpi (8.25 pt gives 11 px, 12 pt gives
/// 16 px), so a text takes the same room on every screen and in every test.
QFont msSansSerif(qreal pointSize, bool bold);

/// "Times New Roman" at `pointSize`, drawn with Liberation Serif (or Times New Roman, or the
/// serif default); the size is fixed in pixels for 96 dpi as for msSansSerif.
QFont timesNewRoman(qreal pointSize, bool bold);

} // namespace zelto
