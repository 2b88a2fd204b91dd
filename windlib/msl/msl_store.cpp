// The scroll list's data (see msl_store.h). Row arrays are parallel plain arrays from the
// foundation's allocator, grown by doubling, so appending a row is cheap and taking a
// string over costs nothing.
#include "windlib/msl/msl_store.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"

namespace {

const struct {
    char letter;
    unsigned flag;
} kFormatLetters[] = {
    {'T', kMslFormatSelected}, {'D', kMslFormatDimmed},     {'U', kMslFormatUnderlined},
    {'A', kMslFormatArrow},    {'R', kMslFormatAlignRight}, {'C', kMslFormatAlignCenter},
};
static_assert(sizeof kFormatLetters / sizeof kFormatLetters[0] == 6, "one letter per flag");

template <typename T> void Grow(T** array, int oldCount, int newCount) {
    *array = static_cast<T*>(gen_allocate(*array, (size_t)newCount, sizeof(T)));
    memset(*array + oldCount, 0, (size_t)(newCount - oldCount) * sizeof(T));
}

template <typename T> void Shift(T* array, int from, int to, int count) {
    if (count > 0) memmove(array + to, array + from, (size_t)count * sizeof(T));
}

} // namespace

void mslSetFormat(MslCellFormatTag* tag, unsigned flag, int value) {
    if (!tag) return;
    if (flag == kMslFormatPlusMinus) {
        *tag = (*tag & ~kMslFormatPlusMinus) | (((unsigned)value & 3u) << kMslPlusMinusShift);
        return;
    }
    if (value)
        *tag |= flag;
    else
        *tag &= ~flag;
}

int mslGetFormat(MslCellFormatTag tag, unsigned flag) {
    if (flag == kMslFormatPlusMinus)
        return (int)((tag & kMslFormatPlusMinus) >> kMslPlusMinusShift);
    return (tag & flag) != 0;
}

MslCellFormatTag mslFormatFromLetters(const char* letters) {
    MslCellFormatTag tag = 0;
    for (const char* p = letters; p && *p; ++p)
        for (const auto& entry : kFormatLetters)
            if (entry.letter == *p) tag |= entry.flag;
    return tag;
}

MslStore::MslStore(int columns) : columns_(columns < 1 ? 1 : columns) {
    for (MslColumn& c : columns_) memset(&c, 0, sizeof c);
}

MslStore::~MslStore() {
    deleteAll();
    for (MslColumn& c : columns_) {
        gen_free(c.cells);
        gen_free(c.formats);
        gen_free(c.title);
        gen_free(c.filter);
    }
    gen_free(rowInfo_);
}

void MslStore::ensure(int needed) {
    if (needed <= alloc_) return;
    int size = alloc_ ? alloc_ : kMslFirstRowAlloc;
    while (size < needed) size *= 2;
    Grow(&rowInfo_, alloc_, size);
    for (MslColumn& c : columns_) {
        Grow(&c.cells, alloc_, size);
        Grow(&c.formats, alloc_, size);
    }
    alloc_ = size;
}

void MslStore::insertRows(int first, int count) {
    if (count <= 0) return;
    if (first < 0) first = 0;
    if (first > rows_) first = rows_;
    ensure(rows_ + count);
    int tail = rows_ - first;
    Shift(rowInfo_, first, first + count, tail);
    for (int r = first; r < first + count; ++r) rowInfo_[r] = MslRow{nullptr, nullptr, nullptr, -1};
    for (MslColumn& c : columns_) {
        Shift(c.cells, first, first + count, tail);
        Shift(c.formats, first, first + count, tail);
        for (int r = first; r < first + count; ++r) {
            c.cells[r] = nullptr;
            c.formats[r] = c.format & ~kMslFormatSelected;
        }
    }
    rows_ += count;
}

void MslStore::freeRowCells(int r) {
    for (MslColumn& c : columns_) {
        gen_free(c.cells[r]);
        c.cells[r] = nullptr;
    }
}

bool MslStore::deleteRows(int first, int last) {
    if (first < 0 || last >= rows_ || first > last) return false;
    for (int r = first; r <= last; ++r) freeRowCells(r);
    int count = last - first + 1;
    int tail = rows_ - last - 1;
    Shift(rowInfo_, last + 1, first, tail);
    for (MslColumn& c : columns_) {
        Shift(c.cells, last + 1, first, tail);
        Shift(c.formats, last + 1, first, tail);
    }
    rows_ -= count;
    return true;
}

void MslStore::deleteAll() {
    if (rows_ > 0) deleteRows(0, rows_ - 1);
}

const char* MslStore::cell(int r, int c) const {
    const MslColumn* col = column(c);
    return col && validRow(r) ? col->cells[r] : nullptr;
}

bool MslStore::setCell(int r, int c, const char* text) {
    return takeCell(r, c, text ? gen_copy(text) : nullptr);
}

bool MslStore::takeCell(int r, int c, char* text) {
    MslColumn* col = column(c);
    if (!col || !validRow(r)) {
        gen_free(text);
        return false;
    }
    gen_free(col->cells[r]);
    col->cells[r] = text;
    return true;
}

MslCellFormatTag* MslStore::format(int r, int c) {
    MslColumn* col = column(c);
    return col && validRow(r) ? &col->formats[r] : nullptr;
}

MslCellFormatTag MslStore::formatOf(int r, int c) const {
    const MslColumn* col = column(c);
    return col && validRow(r) ? col->formats[r] : 0;
}

// Trailing line ends are dropped; every remaining line feed or carriage return ends a
// piece, so "a\n\nb" is three rows. The log never grows past kMslLogRows rows.
int MslStore::appendLog(const char* text, void (*dropped)(int, int, void*), void* arg) {
    if (!text) return 0;
    int length = (int)strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
    int appended = 0;
    int start = 0;
    for (int i = 0; i <= length; ++i) {
        if (i < length && text[i] != '\n' && text[i] != '\r') continue;
        if (rows_ >= kMslLogRows) {
            int last = rows_ - kMslLogRows; // rows 0..last go, leaving kMslLogRows - 1
            if (dropped) dropped(0, last, arg);
            deleteRows(0, last);
        }
        insertRows(rows_, 1);
        takeCell(rows_ - 1, 0, gen_copyn(text + start, i - start));
        ++appended;
        start = i + 1;
    }
    return appended;
}

bool MslStore::cellSelected(int r, int c) const {
    return (formatOf(r, c) & kMslFormatSelected) != 0;
}

bool MslStore::rowSelected(int r) const {
    if (!validRow(r)) return false;
    for (const MslColumn& c : columns_)
        if (c.formats[r] & kMslFormatSelected) return true;
    return false;
}

bool MslStore::selectCells(int r, int c1, int c2, bool on) {
    if (!validRow(r)) return false;
    if (c1 > c2) {
        int t = c1;
        c1 = c2;
        c2 = t;
    }
    bool changed = false;
    for (int c = c1 < 0 ? 0 : c1; c <= c2 && c < columns(); ++c) {
        MslCellFormatTag& f = columns_[c].formats[r];
        bool was = (f & kMslFormatSelected) != 0;
        if (was == on) continue;
        f ^= kMslFormatSelected;
        changed = true;
    }
    return changed;
}

bool MslStore::clearSelection(int keep) {
    bool changed = false;
    for (int r = 0; r < rows_; ++r)
        if (r != keep) changed |= selectRow(r, false);
    return changed;
}

int MslStore::selectedRow(int* first) const {
    int found = -1;
    if (first) *first = -1;
    for (int r = 0; r < rows_; ++r) {
        if (!rowSelected(r)) continue;
        if (found >= 0) return -2;
        found = r;
        if (first) *first = r;
    }
    return found;
}

void MslStore::permute(const std::vector<int>& order) {
    if ((int)order.size() != rows_) return;
    std::vector<MslRow> rowsBefore(rowInfo_, rowInfo_ + rows_);
    for (int r = 0; r < rows_; ++r) rowInfo_[r] = rowsBefore[order[r]];
    for (MslColumn& c : columns_) {
        std::vector<char*> cells(c.cells, c.cells + rows_);
        std::vector<MslCellFormatTag> formats(c.formats, c.formats + rows_);
        for (int r = 0; r < rows_; ++r) {
            c.cells[r] = cells[order[r]];
            c.formats[r] = formats[order[r]];
        }
    }
}
