// The help text: a heading with the build's identity, then how to call the
// program and the note language, in Swedish.
#pragma once

void showHelp();
