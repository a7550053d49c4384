#include "player/player_state.h"

PlayerState playerState;

void resetPlayerState() { playerState = PlayerState{}; }
