#pragma once
// Which cards make a pair, learnt from what the game shows (the face each card carries),
// never from the rule that deals them.
#include <vector>

namespace testsupport {

// For each card 1..cards (element 0 unused) the other card that shows the same face, or 0
// when there is none. faceOf(card) is what the card shows when it is up.
template <typename FaceOf>
std::vector<int> partners(int cards, FaceOf faceOf)
{
    std::vector<int> partner(std::size_t(cards) + 1, 0);
    for (int card = 1; card <= cards; ++card)
        for (int other = 1; other <= cards && partner[std::size_t(card)] == 0; ++other)
            if (other != card && faceOf(other) == faceOf(card))
                partner[std::size_t(card)] = other;
    return partner;
}

// A card that shows a face other than card's, or 0 when there is none.
template <typename FaceOf>
int strangerOf(int cards, int card, FaceOf faceOf)
{
    for (int other = 1; other <= cards; ++other)
        if (faceOf(other) != faceOf(card))
            return other;
    return 0;
}

} // namespace testsupport
