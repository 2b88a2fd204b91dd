// Argument vectors: null-terminated arrays of words, allocated with new[] through the
// foundation hooks and released with freeArgv. makeArgv splits a command line like a
// simple shell would, with quotes but no escapes, redirection or expansion.
// Functions that take words out never release them (they also work on main's argv);
// insertArg and insertArgv replace the array and so need a vector of our own.
#pragma once

// Words are split at blanks and tabs outside '...' or "..."; a word enclosed in one pair of
// the same quote loses it; a leading blank gives an empty first word; `dash` prefixes word
// 0 with "-". A null command gives an empty vector. *count (when given) gets the words.
char** makeArgv(const char* command, int* count, bool dash);
char** copyArgv(char** argv, int count); // deep; a negative count copies up to the null
void freeArgv(char** argv);
void insertArg(char*** argv, int* count, int index, const char* word); // index 0..count
void insertArgv(char*** argv, int* count, int index, char** words);    // words end with null
void deleteArg(char*** argv, int* count, int index); // the word itself is not released
// Removes the first word equal to `word`; true when there was one.
bool popArg(char*** argv, int* count, const char* word);
// Removes the first `word` that has a word after it, and that word too; returns a copy of
// the following word (release with gen_free), or null when there is none.
char* popArgPlusOne(char*** argv, int* count, const char* word);
void insertDashArgv0(char** argv); // word 0 becomes "-" + word 0 (the old word is kept)
