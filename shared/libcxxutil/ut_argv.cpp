// Argument vectors. makeArgv is the word splitter used to start children without a shell;
// the rest edit a vector in place. Removing a word never releases it, so the editing
// functions that do not grow the array also work on a vector the caller does not own.
#include "shared/libcxxutil/ut_argv.h"

#include <cstring>

#include "shared/gen_strings.h"

namespace {

char* newWord(const char* text, size_t n) {
    char* word = new char[n + 1];
    if (n) memcpy(word, text, n);
    word[n] = '\0';
    return word;
}

bool isSeparator(char c) {
    return c == ' ' || c == '\t';
}
bool isQuote(char c) {
    return c == '"' || c == '\'';
}

// Length of the word starting at `p`: up to the first blank or tab outside quotes.
size_t wordLength(const char* p) {
    char open = 0;
    size_t n = 0;
    for (; p[n]; ++n) {
        if (open) {
            if (p[n] == open) open = 0;
        } else if (isQuote(p[n])) {
            open = p[n];
        } else if (isSeparator(p[n])) {
            break;
        }
    }
    return n;
}

// A word enclosed in one pair of the same quote loses that pair; other quotes stay.
char* unquotedWord(const char* p, size_t n, bool dash) {
    if (n >= 2 && isQuote(p[0]) && p[n - 1] == p[0]) {
        ++p;
        n -= 2;
    }
    if (!dash) return newWord(p, n);
    char* word = new char[n + 2];
    word[0] = '-';
    memcpy(word + 1, p, n);
    word[n + 1] = '\0';
    return word;
}

// Hands each word of the command (index, start, length) to `each`; returns the count.
template <typename Each> int scanWords(const char* p, Each each) {
    int n = 0;
    if (isSeparator(*p)) each(n++, p, 0);
    for (;;) {
        while (isSeparator(*p)) ++p;
        if (!*p) return n;
        size_t length = wordLength(p);
        each(n++, p, length);
        p += length;
    }
}

int countWords(char** argv) {
    int n = 0;
    while (argv && argv[n]) ++n;
    return n;
}

// Replaces *argv by a copy with room for `extra` more entries opened at `index`.
void openGap(char*** argv, int count, int index, int extra) {
    char** old = *argv;
    char** grown = new char*[count + extra + 1];
    for (int i = 0; i < index; ++i) grown[i] = old[i];
    for (int i = index; i < count; ++i) grown[i + extra] = old[i];
    grown[count + extra] = nullptr;
    delete[] old;
    *argv = grown;
}

int clampIndex(int index, int count) {
    return index < 0 ? 0 : index > count ? count : index;
}

int findWord(char** argv, int count, const char* word) {
    for (int i = 0; i < count && argv[i]; ++i)
        if (word && strcmp(argv[i], word) == 0) return i;
    return -1;
}

} // namespace

char** makeArgv(const char* command, int* count, bool dash) {
    if (!command) command = "";
    int n = scanWords(command, [](int, const char*, size_t) {});
    char** argv = new char*[n + 1];
    scanWords(command, [argv, dash](int i, const char* word, size_t length) {
        argv[i] = unquotedWord(word, length, dash && i == 0);
    });
    argv[n] = nullptr;
    if (count) *count = n;
    return argv;
}

char** copyArgv(char** argv, int count) {
    int available = countWords(argv);
    if (count < 0 || count > available) count = available;
    char** copy = new char*[count + 1];
    for (int i = 0; i < count; ++i) copy[i] = newWord(argv[i], strlen(argv[i]));
    copy[count] = nullptr;
    return copy;
}

void freeArgv(char** argv) {
    if (!argv) return;
    for (int i = 0; argv[i]; ++i) delete[] argv[i];
    delete[] argv;
}

void insertArg(char*** argv, int* count, int index, const char* word) {
    if (!word) return;
    index = clampIndex(index, *count);
    openGap(argv, *count, index, 1);
    (*argv)[index] = newWord(word, strlen(word));
    ++*count;
}

void insertArgv(char*** argv, int* count, int index, char** words) {
    int extra = countWords(words);
    if (extra == 0) return;
    index = clampIndex(index, *count);
    openGap(argv, *count, index, extra);
    for (int i = 0; i < extra; ++i) (*argv)[index + i] = newWord(words[i], strlen(words[i]));
    *count += extra;
}

void deleteArg(char*** argv, int* count, int index) {
    if (!*argv || index < 0 || index >= *count) return;
    for (int i = index; i < *count; ++i) (*argv)[i] = (*argv)[i + 1];
    --*count;
}

bool popArg(char*** argv, int* count, const char* word) {
    int at = findWord(*argv, *count, word);
    if (at < 0) return false;
    deleteArg(argv, count, at);
    return true;
}

char* popArgPlusOne(char*** argv, int* count, const char* word) {
    for (int i = 0; i + 1 < *count; ++i) {
        if (!word || strcmp((*argv)[i], word) != 0) continue;
        char* value = gen_copy((*argv)[i + 1]);
        deleteArg(argv, count, i + 1);
        deleteArg(argv, count, i);
        return value;
    }
    return nullptr;
}

void insertDashArgv0(char** argv) {
    if (!argv || !argv[0]) return;
    size_t n = strlen(argv[0]);
    char* word = new char[n + 2];
    word[0] = '-';
    memcpy(word + 1, argv[0], n + 1);
    argv[0] = word;
}
