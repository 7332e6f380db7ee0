#pragma once
#include <QString>

namespace coppix::rules {
// The rules of the game, told in Italian and in English.
QString italian();
QString english();
} // namespace coppix::rules
