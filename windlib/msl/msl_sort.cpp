// Sorting (see msl_sort.h). The sort works on row indices and rewrites the store only
// when the order really changed, so sorting an already sorted list costs no redraw.
#include "windlib/msl/msl_sort.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "shared/gen_strings.h"

namespace {

int Sign(long long d) {
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

int Sign(double d) {
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

bool OnlyBlanksLeft(const char* p) {
    while (*p && isspace((unsigned char)*p)) ++p;
    return *p == '\0';
}

// A whole number text (blanks around it allowed).
template <typename T>
bool ReadNumber(const char* s, T (*convert)(const char*, char**, int), int base, T* value) {
    if (!s) return false;
    while (isspace((unsigned char)*s)) ++s;
    if (!*s) return false;
    char* end = nullptr;
    errno = 0;
    *value = convert(s, &end, base);
    return end != s && errno == 0 && OnlyBlanksLeft(end);
}

// Numbers order among themselves; a number comes before a text that is none.
template <typename T>
int CompareRead(bool okA, T a, bool okB, T b, const char* ta, const char* tb) {
    if (okA && okB) return a < b ? -1 : a > b ? 1 : 0;
    if (okA != okB) return okA ? -1 : 1;
    return mslCompareStrings(ta, tb);
}

const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                               "jul", "aug", "sep", "oct", "nov", "dec"};
static_assert(sizeof kMonths / sizeof kMonths[0] == 12, "twelve months");

int MonthOf(const char* word, int length) {
    if (length < 3) return 0;
    for (int m = 0; m < 12; ++m)
        if (gen_strnicmp(word, kMonths[m], 3) == 0) return m + 1;
    return 0;
}

struct DateParts {
    int numbers[3];
    int digits[3];
    int count = 0;
    char separator = 0; // between the first two numbers of the date
    int month = 0;      // from a month name
    long seconds = -1;  // time of day
};

// hh:mm or hh:mm:ss at p; advances p past it.
bool ReadTime(const char** p, long* seconds) {
    const char* s = *p;
    long part[3] = {0, 0, 0};
    int n = 0;
    while (n < 3 && isdigit((unsigned char)*s)) {
        part[n++] = strtol(s, const_cast<char**>(&s), 10);
        if (*s != ':') break;
        ++s;
    }
    if (n < 2) return false;
    *seconds = part[0] * 3600 + part[1] * 60 + part[2];
    *p = s;
    return true;
}

bool SplitDate(const char* text, DateParts* d) {
    const char* p = text;
    while (*p) {
        unsigned char c = (unsigned char)*p;
        if (isalpha(c)) {
            const char* start = p;
            while (isalpha((unsigned char)*p)) ++p;
            if (p - start == 1 && (*start == 'T' || *start == 't')) continue; // ISO "T"
            int month = MonthOf(start, (int)(p - start));
            if (!month || d->month) return false;
            d->month = month;
        } else if (isdigit(c)) {
            const char* start = p;
            long seconds = 0;
            if (d->seconds < 0 && ReadTime(&p, &seconds) && (p - start) > 3) {
                d->seconds = seconds;
                continue;
            }
            p = start;
            if (d->count == 3) return false;
            char* end = nullptr;
            d->numbers[d->count] = (int)strtol(p, &end, 10);
            d->digits[d->count] = (int)(end - p);
            p = end;
            if (d->count == 0 && (*p == '-' || *p == '.' || *p == '/')) d->separator = *p;
            ++d->count;
        } else if (isspace(c) || c == ',' || c == '-' || c == '.' || c == '/') {
            ++p;
        } else {
            return false;
        }
    }
    return true;
}

// Year, month and day from the parts: a month name takes the other numbers as day and
// year; otherwise "-" dates are year first, "." dates day first and "/" dates month first.
bool OrderDate(const DateParts& d, int* year, int* month, int* day) {
    if (d.month) {
        if (d.count != 2) return false;
        *month = d.month;
        bool yearFirst = d.digits[0] == 4;
        *year = d.numbers[yearFirst ? 0 : 1];
        *day = d.numbers[yearFirst ? 1 : 0];
    } else {
        if (d.count != 3) return false;
        if (d.separator == '-' || d.digits[0] == 4) {
            *year = d.numbers[0], *month = d.numbers[1], *day = d.numbers[2];
        } else if (d.separator == '.') {
            *day = d.numbers[0], *month = d.numbers[1], *year = d.numbers[2];
        } else {
            *month = d.numbers[0], *day = d.numbers[1], *year = d.numbers[2];
        }
    }
    if (*year < 100) *year += *year < 70 ? 2000 : 1900;
    return *month >= 1 && *month <= 12 && *day >= 1 && *day <= 31;
}

// "file:12", "file(12)", "file, line 12": the file part's length and the line number.
bool SplitLineRef(const char* s, int* nameLength, long* line) {
    const char* end = s + strlen(s);
    while (end > s && (isspace((unsigned char)end[-1]) || end[-1] == ')' || end[-1] == ':')) --end;
    const char* digits = end;
    while (digits > s && isdigit((unsigned char)digits[-1])) --digits;
    if (digits == end || digits == s) return false;
    *line = strtol(digits, nullptr, 10);
    const char* name = digits;
    if (name - s >= 5 && gen_strnicmp(name - 5, "line ", 5) == 0) name -= 5;
    while (name > s && (name[-1] == ':' || name[-1] == '(' || name[-1] == ',' ||
                        isspace((unsigned char)name[-1])))
        --name;
    *nameLength = (int)(name - s);
    return true;
}

int LeadingBlanks(const char* s) {
    int n = 0;
    while (s[n] == ' ' || s[n] == '\t') ++n;
    return n;
}

} // namespace

int mslCompareStrings(const char* a, const char* b) {
    int d = strcmp(a ? a : "", b ? b : "");
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

int mslCompareFileNames(const char* a, const char* b) {
    bool dirA = a && *a && a[strlen(a) - 1] == '/';
    bool dirB = b && *b && b[strlen(b) - 1] == '/';
    if (dirA != dirB) return dirA ? -1 : 1;
    return mslCompareStrings(a, b);
}

int mslCompareNumbers(const char* a, const char* b) {
    long long x = 0, y = 0;
    bool okA = ReadNumber<long long>(a, strtoll, 0, &x);
    bool okB = ReadNumber<long long>(b, strtoll, 0, &y);
    return CompareRead(okA, x, okB, y, a, b);
}

int mslCompareUnsigned(const char* a, const char* b) {
    unsigned long long x = 0, y = 0;
    bool okA = a && !strchr(a, '-') && ReadNumber<unsigned long long>(a, strtoull, 10, &x);
    bool okB = b && !strchr(b, '-') && ReadNumber<unsigned long long>(b, strtoull, 10, &y);
    return CompareRead(okA, x, okB, y, a, b);
}

int mslCompareFloats(const char* a, const char* b) {
    double x = 0, y = 0;
    char* end = nullptr;
    bool okA = a && *a && (x = strtod(a, &end), end != a && OnlyBlanksLeft(end));
    bool okB = b && *b && (y = strtod(b, &end), end != b && OnlyBlanksLeft(end));
    if (okA && okB) return Sign(x - y);
    return CompareRead(okA, 0, okB, 0, a, b);
}

bool MslDateKey(const char* text, long long* key) {
    if (!text) return false;
    DateParts parts;
    int year = 0, month = 0, day = 0;
    if (!SplitDate(text, &parts) || !OrderDate(parts, &year, &month, &day)) return false;
    long seconds = parts.seconds < 0 ? 0 : parts.seconds;
    *key = (((long long)year * 100 + month) * 100 + day) * 100000LL + seconds;
    return true;
}

int mslCompareDates(const char* a, const char* b) {
    long long x = 0, y = 0;
    bool okA = MslDateKey(a, &x);
    bool okB = MslDateKey(b, &y);
    return CompareRead(okA, x, okB, y, a, b);
}

int mslCompareLineRefs(const char* a, const char* b) {
    int la = 0, lb = 0;
    long na = 0, nb = 0;
    bool okA = a && SplitLineRef(a, &la, &na);
    bool okB = b && SplitLineRef(b, &lb, &nb);
    if (!okA || !okB) return okA != okB ? (okA ? -1 : 1) : mslCompareStrings(a, b);
    int common = la < lb ? la : lb;
    int d = strncmp(a, b, (size_t)common);
    if (d) return d < 0 ? -1 : 1;
    if (la != lb) return la < lb ? -1 : 1;
    return Sign((long long)na - nb);
}

int mslCompareLeadingBlanks(const char* a, const char* b) {
    int ba = a ? LeadingBlanks(a) : 0;
    int bb = b ? LeadingBlanks(b) : 0;
    if (ba != bb) return ba < bb ? -1 : 1;
    return mslCompareStrings(a ? a + ba : a, b ? b + bb : b);
}

int mslCompareIcons(const char* a, const char* b) {
    int d = gen_stricmp(a ? a : "", b ? b : "");
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

bool MslSortRows(MslStore* store, int column, std::vector<int>* moves) {
    const MslColumn* col = store ? store->column(column) : nullptr;
    if (!col || !col->compare) return false;
    int rows = store->rows();
    std::vector<int> order((size_t)rows);
    for (int r = 0; r < rows; ++r) order[(size_t)r] = r;
    MslCompareFn compare = col->compare;
    bool descending = (col->flags & kMslColumnDescending) != 0;
    const char* const* keys = col->cells;
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        const char* kx = keys[x] && *keys[x] ? keys[x] : nullptr;
        const char* ky = keys[y] && *keys[y] ? keys[y] : nullptr;
        if (!kx || !ky) {
            if (kx || ky) return !kx;
            return x < y;
        }
        int d = compare(kx, ky);
        if (descending) d = -d;
        return d != 0 ? d < 0 : x < y;
    });
    bool moved = false;
    for (int r = 0; r < rows && !moved; ++r) moved = order[(size_t)r] != r;
    if (moved) store->permute(order);
    if (moves) moves->swap(order);
    return moved;
}
