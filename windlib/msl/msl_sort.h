// Sorting a scroll list's rows by one column: the compare functions a column can sort
// with, and the stable sort that moves whole rows (cells, formats, colours, user data)
// and tells whether anything moved. The list runs its pre-sort and sort callbacks around
// MslSortRows (mscrolllist.cpp).
#pragma once

#include <vector>

#include "windlib/msl/msl_store.h"

// Byte-wise string order.
int mslCompareStrings(const char* a, const char* b);
// Directory names (ending in '/') before the rest; then as strings.
int mslCompareFileNames(const char* a, const char* b);
// Signed numbers with C base prefixes ("0x1f", "017"); numbers before other texts.
int mslCompareNumbers(const char* a, const char* b);
// Unsigned decimal numbers; numbers before other texts.
int mslCompareUnsigned(const char* a, const char* b);
// Floating-point numbers; numbers before other texts.
int mslCompareFloats(const char* a, const char* b);
// Dates such as "2003-04-05 10:20", "05.04.2003", "04/05/2003", "Apr 5 2003 10:20:30" and
// "5 Apr 2003"; dates before other texts.
int mslCompareDates(const char* a, const char* b);
// Line references "file:12", "file(12)" or "file, line 12": by file, then by line number.
int mslCompareLineRefs(const char* a, const char* b);
// Fewer leading blanks first (tree depth), then as strings.
int mslCompareLeadingBlanks(const char* a, const char* b);
// Icon cells hold their image's name: by name without regard to case.
int mslCompareIcons(const char* a, const char* b);

// Reads a date as mslCompareDates does into a number that orders like the date; false
// when the text is no date.
bool MslDateKey(const char* text, long long* key);

// Sorts the rows by `column` with its compare function: stable; rows with an empty cell
// first; the function's result negated for a descending column; equal keys keep their
// order. Returns true when the order changed (the rows have been rewritten), false when it
// did not or the column cannot be sorted (no such column, no compare function). `order`
// (may be null) receives, for each new row, the row it was before.
bool MslSortRows(MslStore* store, int column, std::vector<int>* order = nullptr);
