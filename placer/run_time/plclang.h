// The layout-rule language: splitting one rule string into the fields of a size rule or
// a position rule, and recognising the section words between them. Only the text is
// checked here; plctable.cpp checks the item numbers against the window. Start with
// plcClassifyLine.
#pragma once

#include "placer/run_time/plctable.h"

// A rule string is split in a buffer of this size, so longer rules lose their tail.
enum { kPlcRuleBufferSize = 1024 };

enum PlacerSection { kPlcMinSizes = 0, kPlcSizes = 1, kPlcPositions = 2 };

// Recognises a section word by its first letter ('M', 'S' or 'P'); returns false for
// anything else (a rule).
bool plcClassifyLine(const char* text, PlacerSection* section);

// Parse a rule of twelve (size) or ten (position) comma-separated fields; a list field is
// a parenthesised, comma-separated list of item numbers. Missing trailing fields count as
// 0 (a missing side as Top, a missing direction as vertical). Return false and leave a
// description of the fault in `fault` (a static text) when the text is not a rule.
bool plcParseSizeRule(const char* text, RuntimeSizeInfo* rule, const char** fault);
bool plcParsePosRule(const char* text, RuntimePosInfo* rule, const char** fault);

// Stores the side named by `word` ("Left", "Right", "LRCenter", "Top", "Bottom",
// "Baseline", "TBCenter"; blanks around it are ignored, an empty word is Top). False for
// any other word.
bool plcParseSide(const char* word, sidetype* side);
