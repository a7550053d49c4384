#include "player/player_state.h"

PlayerState playerState;
