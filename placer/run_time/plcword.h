// The placer's word reader: the one rule for taking a single word out of a line of text,
// shared by the layout-rule interpreter and by the configuration reader for string values.
#pragma once

// Reads the first word of `text`: leading blanks are skipped; a word that begins with a
// double quote yields its contents up to the closing quote with backslash escapes decoded;
// any other word runs up to the next blank. Returns a new gen_alloc copy (release with
// gen_free), or null when `text` is null or holds only blanks. When `rest` is given it
// receives the position just after the word.
char* plcParseWord(const char* text, const char** rest = nullptr);
