// A scroll list's geometry and painting: where the title row, the rows' area, the columns
// and the scroll bars are, which row and column lie under a point, and painting only the
// rows inside a redraw area. Painting shows the current state and never changes it.
// Start with MslLayout and MslPaint.
#pragma once

class MScrollList;
struct xinLibSt;

// Pixels between a cell's edge and its text.
enum { kMslCellPad = 3, kMslIndentStep = 12, kMslMarkSize = 9, kMslArrowWidth = 8 };

int MslRowHeight(const MScrollList* list);
// Recomputes the view: title row, rows' area, which scroll bars show, their ranges, and
// keeps the scroll position inside what there is to show.
void MslLayout(MScrollList* list);
// Rows that fit wholly in the rows' area (at least 1).
int MslVisibleRows(const MScrollList* list);
// Column `c` as drawn: its left edge in window coordinates (scrolled) and its width; the
// last visible column reaches to the right edge. Hidden columns have width 0.
int MslColumnX(const MScrollList* list, int column);
int MslColumnWidth(const MScrollList* list, int column);
// The width all visible columns want.
int MslContentWidth(const MScrollList* list);
// The row and column at a window point of the rows' area: false outside it; *row is -1
// below the last row.
bool MslHit(const MScrollList* list, int px, int py, int* row, int* column);
// The column whose title is at the point, or -1; *border is true near its right edge.
int MslTitleAt(const MScrollList* list, int px, int py, bool* border);
// True when the point is on the tree mark of a row (stored in *row).
bool MslOnMark(const MScrollList* list, int px, int py, int* row);
// The character of the cell nearest to window x (0 to the text's length).
int MslCharAt(const MScrollList* list, int row, int column, int px);
// Where the cell's text starts, after indentation, tree mark and arrow.
int MslTextX(const MScrollList* list, int row, int column);
// Notes the cell's text width so an auto-sized column grows to it.
void MslMeasureCell(MScrollList* list, int row, int column);
// Measures every cell again (for SizeToFit); columns with a set width keep it.
void MslMeasureAll(MScrollList* list);
// Paints what the redraw record asks for.
void MslPaint(MScrollList* list, const xinLibSt* redraw);
