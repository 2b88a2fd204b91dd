// Copying (see msl_copy.h): building the text from the cells and handing it on.
#include "windlib/msl/msl_copy.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_mstring.h"
#include "windlib/msl/mscrolllist.h"
#include "windlib/x11/xselection.h"

namespace {

bool EmptyTextSelection(const MScrollList* list) {
    const MslSelectionState& s = list->sel;
    return !list->store.validRow(s.row) || (s.row == s.anchorRow && s.curChar == s.anchorChar);
}

void AppendCharacters(const MScrollList* list, MString* out) {
    if (EmptyTextSelection(list)) return;
    int column = list->sel.anchorCol;
    for (int r = 0; r < list->store.rows(); ++r) {
        int from = 0, to = 0;
        if (!MslSelectedChars(list, r, &from, &to)) continue;
        const char* text = list->store.cell(r, column);
        if (text && to > from) MString_appendn(out, text + from, to - from);
        MString_append(out, "\n");
    }
}

void AppendCells(const MScrollList* list, bool all, MString* out) {
    const MslStore& s = list->store;
    for (int r = 0; r < s.rows(); ++r) {
        bool any = false;
        for (int c = 0; c < s.columns(); ++c) {
            if ((s.column(c)->flags & kMslColumnHidden) || (!all && !s.cellSelected(r, c)))
                continue;
            if (any) MString_append(out, "\t");
            const char* text = s.cell(r, c);
            if (text) MString_append(out, text);
            any = true;
        }
        if (any) MString_append(out, "\n");
    }
}

} // namespace

char* MslCopyText(const MScrollList* list, bool all) {
    MString* out = MString_new(256);
    if (list->textMode && !all)
        AppendCharacters(list, out);
    else
        AppendCells(list, all, out);
    return MString_peel(out);
}

int MslCopy(MScrollList* list, bool all, const xinLibSt* event) {
    char* text = MslCopyText(list, all);
    if (!*text) {
        gen_free(text);
        return 0;
    }
    bool dealtWith = list->copy && list->copy(list, text);
    if (!dealtWith && list->alive()) {
        bool timed = event && (event->kind == kXinKey || event->kind == kXinMouse);
        WSelectionOwn(kSelectionBoth, text, -1, list->getW(), timed ? (unsigned long)event->g : 0);
    }
    gen_free(text);
    return 1;
}
