#pragma once
// The captions of the game's two windows, as a player reads them in the title bar and as the
// tests and the benchmark look the windows up by them. The table's ends in a space.
#include <QString>

namespace testsupport {

inline const QString startTitle = QStringLiteral("VErdanticoPRess  -  Coppix");
inline const QString tableTitle = QStringLiteral("VErdanticoPRess  -  Coppix ");

} // namespace testsupport
