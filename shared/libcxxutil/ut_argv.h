// Argument vectors: null-terminated arrays of words, allocated with new[] through the
// foundation hooks and released with freeArgv. makeArgv splits a command line like a
// simple shell would, with quotes but no escapes, redirection or expansion.
#pragma once

char** makeArgv(const char* command, int* count, bool dash);
char** copyArgv(char** argv, int count);
void freeArgv(char** argv);
void insertArg(char*** argv, int* count, int index, const char* word);
void insertArgv(char*** argv, int* count, int index, char** words);
void deleteArg(char*** argv, int* count, int index);  // the word itself is not released
bool popArg(char*** argv, int* count, const char* word);
char* popArgPlusOne(char*** argv, int* count, const char* word);
void insertDashArgv0(char** argv);
