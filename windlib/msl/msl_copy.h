// Copying from a scroll list: the text CopySel and CopyAll make, offered first to the
// list's copy callback and otherwise to other X clients as the CLIPBOARD and then the
// PRIMARY selection of the list's window (windlib/x11/xselection.h).
#pragma once

class MScrollList;
struct xinLibSt;

// The text of the selection (all false) or of the whole list (all true), as a new string
// (gen_free it). Text mode copies the selected characters, a line per row; otherwise the
// cells of the visible columns (for the selection only the selected ones) are joined by
// tabs, and a row with any cell ends with a line feed.
char* MslCopyText(const MScrollList* list, bool all);
// Copies as above; 1 when the text went somewhere, 0 when there was none.
int MslCopy(MScrollList* list, bool all, const xinLibSt* event);
