// The rows and columns behind a scroll list, with no drawing in them: per column the cell
// strings and their formats, per row its colours, user data and search match. The list
// keeps its selection in the cells' formats (the "selected" flag), so sorting and deleting
// carry the selection along with the rows. Start with MslStore; the format flags come first.
#pragma once

#include <vector>

// The 32-bit set of flags of one cell.
typedef unsigned int MslCellFormatTag;

enum MslFormatFlag : unsigned {
    kMslFormatSelected = 0x01,    // 'T': selected (ticked)
    kMslFormatDimmed = 0x02,      // 'D': drawn grey
    kMslFormatUnderlined = 0x04,  // 'U'
    kMslFormatArrow = 0x08,       // 'A': a small arrow before the text
    kMslFormatAlignRight = 0x10,  // 'R'
    kMslFormatAlignCenter = 0x20, // 'C'
    kMslFormatPlusMinus = 0xC0    // 2 bits: MslMark, in the indentation column's cells
};

enum { kMslPlusMinusShift = 6 };
enum MslMark { kMslMarkNone = 0, kMslMarkPlus = 1, kMslMarkMinus = 2 };

// Sets one flag of the tag (`value` 0 or 1; for kMslFormatPlusMinus an MslMark).
void mslSetFormat(MslCellFormatTag* tag, unsigned flag, int value);
// The flag's value: 0 or 1, or the MslMark for kMslFormatPlusMinus.
int mslGetFormat(MslCellFormatTag tag, unsigned flag);
// The tag a layout file's letters describe ("TD", "R"...); unknown letters are ignored.
MslCellFormatTag mslFormatFromLetters(const char* letters);

// Compares two cell texts for sorting (either may be null only where the caller allows).
typedef int (*MslCompareFn)(const char* a, const char* b);

enum MslColumnFlag : unsigned {
    kMslColumnHidden = 1,
    kMslColumnDescending = 2,
    kMslColumnUserSorted = 4, // sorted by the program's callbacks, not by the list
    kMslColumnIndent = 8      // carries the tree marks and indents by leading blanks
};

struct MslRow {
    unsigned long* color;      // text colour; null: the default foreground
    unsigned long* background; // null: the list's background
    void* userData;
    int match; // where an incremental-search match starts in the searched cell, -1 none
};

struct MslColumn {
    char* title;
    int width;  // pixels; 0: sized by the list
    int widest; // the widest text measured so far, in pixels
    char** cells;
    MslCellFormatTag* formats;
    MslCellFormatTag format; // given to new cells
    MslCellFormatTag titleFormat;
    MslCompareFn compare;
    unsigned flags;
    char* filter; // rows added with filtering must contain this text here (null: any)
};

enum { kMslFirstRowAlloc = 100, kMslLogRows = 2048 };

class MslStore {
public:
    // At least one column.
    explicit MslStore(int columns);
    ~MslStore();
    MslStore(const MslStore&) = delete;
    MslStore& operator=(const MslStore&) = delete;

    int rows() const { return rows_; }
    int allocated() const { return alloc_; }
    int columns() const { return (int)columns_.size(); }
    MslColumn* column(int c) { return c >= 0 && c < columns() ? &columns_[c] : nullptr; }
    const MslColumn* column(int c) const {
        return c >= 0 && c < columns() ? &columns_[c] : nullptr;
    }
    MslRow* row(int r) { return validRow(r) ? &rowInfo_[r] : nullptr; }
    bool validRow(int r) const { return r >= 0 && r < rows_; }

    // Inserts `count` empty rows before `first` (clamped into 0 .. rows()).
    void insertRows(int first, int count);
    // Deletes rows first to last inclusive; false (nothing done) for an invalid range.
    bool deleteRows(int first, int last);
    void deleteAll();

    // The list's own string, or null (empty cell or out of range).
    const char* cell(int r, int c) const;
    // Copies the text in (null empties the cell); false out of range.
    bool setCell(int r, int c, const char* text);
    // Takes the gen_alloc'd text over; out of range it is freed and false returned.
    bool takeCell(int r, int c, char* text);
    MslCellFormatTag* format(int r, int c);
    MslCellFormatTag formatOf(int r, int c) const;

    // Appends text as log lines in column 0 (see the .cpp); the number of rows appended.
    // Calls `dropped(first, last, arg)` before removing the oldest rows for the cap.
    int appendLog(const char* text, void (*dropped)(int, int, void*) = nullptr,
                  void* arg = nullptr);

    // ---- Selection, kept in the formats' selected flags --------------------------------
    bool cellSelected(int r, int c) const;
    bool rowSelected(int r) const; // any cell of the row
    // Sets or clears the flag in columns c1 to c2; true when something changed.
    bool selectCells(int r, int c1, int c2, bool on);
    bool selectRow(int r, bool on) { return selectCells(r, 0, columns() - 1, on); }
    // Clears every selected flag except those of row `keep` (-1: none kept).
    bool clearSelection(int keep = -1);
    // The selected row, -1 when none, -2 when more than one (*first: the first one).
    int selectedRow(int* first = nullptr) const;

    // Rewrites the rows in the order given: row i becomes the old row order[i].
    void permute(const std::vector<int>& order);

private:
    void ensure(int needed);
    void freeRowCells(int r);

    int rows_ = 0;
    int alloc_ = 0;
    MslRow* rowInfo_ = nullptr;
    std::vector<MslColumn> columns_;
};
