// The last entry point left here: the directory chooser in the one-call form that
// discovery asks for when no distribution is found. The alerts that discovery's users
// reach through this header are windlib/dialog/wyesno.h's. Once discovery calls the
// chooser itself, this module goes.
#pragma once

#include "windlib/dialog/wyesno.h"

// The directory chooser titled `title` and rooted at `root`: a new copy of the directory the
// user picked, or null when the user cancelled.
char* ChooseDirectory(const char* title, const char* root);
