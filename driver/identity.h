// The texts that name this build in the help heading and the listing banner.
#pragma once

#include "text/short_text.h"

extern const FixedText<10> BuildDate;
extern FixedText<48> IdentityText;
extern FixedText<10> ModuleName;
extern FixedText<48> VersionText;

void buildIdentityText();
