// The about-box texts every program of the family sets first of all (abSetup): its name,
// subtitle and about-window title, and the lines an about box shows.
#pragma once

// Fills the about-box record; must be called exactly once, before init_prior_to_gui.
void abSetup(const char* program, const char* subtitle, const char* title, const char* extra);
// The name-and-version line, or "this program" before abSetup.
const char* abGetProgramName();
// The about box's lines, null-terminated.
const char* const* abGetLines();
const char* abGetTitle();
// Fails the assertion "abInfo.setupCalled" unless abSetup has run.
void abCheckSetup();
// Forgets the record (a test may set it up again).
void abReset();
