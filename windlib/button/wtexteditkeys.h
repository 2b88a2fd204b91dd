// The editing key bindings of single-line text fields: which key (code and modifiers)
// runs which editing command. The table is data in wtexteditkeys.cpp; the field carries
// the commands out (TextField::runEditCommand). Start with TfLookupEditKey.
#pragma once

enum TfEditCommand {
    kTfEditNone = 0,
    kTfEditLeft,
    kTfEditRight,
    kTfEditWordLeft,
    kTfEditWordRight,
    kTfEditLineStart,
    kTfEditLineEnd,
    kTfEditExtendLeft,
    kTfEditExtendRight,
    kTfEditExtendWordLeft,
    kTfEditExtendWordRight,
    kTfEditExtendLineStart,
    kTfEditExtendLineEnd,
    kTfEditSelectWord,
    kTfEditSelectAll,
    kTfEditCut,
    kTfEditCopy,
    kTfEditPaste,
    kTfEditDelete,
    kTfEditBackspace,
    kTfEditDeleteWordBack,
    kTfEditKillToEnd,
    kTfEditQuoteNext,
    kTfEditCount
};

// True for the keys the bindings are consulted for: control characters, keys without text
// (arrows, Home, Delete...) and keys pressed with Control or Meta.
bool TfIsEditKey(int code, long modifiers, const char* text, int bytes);
// The command bound to the key (toolkit key code, modifier bits of xinlib.h), or
// kTfEditNone. Letters match in either case; Shift counts only where a binding names it.
TfEditCommand TfLookupEditKey(int code, long modifiers);
// True for the commands that change the text (refused by a read-only field).
bool TfEditCommandModifies(TfEditCommand command);
