// The steps every back end runs when the process ends.
#pragma once

namespace platform {

// Takes the procedure out of the exit hook and calls it until the hook stays
// empty, then calls the shut-down procedure once. Safe to run more than
// once: each procedure is taken out before it runs.
void runProcessEnd();

}  // namespace platform
