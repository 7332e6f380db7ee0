#pragma once
// The pictures held in the program as Qt resources under ":/pictures".
#include "table/sizes.h"

#include <QString>

namespace assets {

// Number of different card faces, the game's face library; a game with N cards uses N / 2
// of them.
constexpr int faceCount = coppix::faceLibrarySize;

// Resource path of face 1..faceCount (":/pictures/face01.bmp", ":/pictures/face13.jpg", ...);
// empty for any other index.
QString facePath(int index);

// Resource path of the card back for a game of each table size (20, 48 or 80 cards); empty
// for any other count.
QString backPath(int cardCount);

// Resource path of the 32 x 32 window icon.
QString iconPath();

}  // namespace assets
