// The reader of the options database's text (both written forms); OptionsDb::readText is
// its only caller.
#pragma once

class OptionsDb;

// Adds what `text` holds to the database's tree; reports errors with `source`; false after
// an error.
bool OdbReadText(OptionsDb& db, const char* text, const char* source);
