// Built by the test suite, never linked: only the rules write their state. As it stands it
// reads the state and compiles; with WRITE_STATE it sets the table's size and its leave
// request from outside the game, and must not compile.
#include "table/game.h"

int main()
{
    coppix::Random random;
    coppix::Game game(random);
#ifdef WRITE_STATE
    game.cardCount = 48;
    game.tableState = coppix::Game::leaveRequested;
    return 0;
#else
    return game.cardCount() + game.tableState();
#endif
}
