// Activation levels: which items of a window's widget table are shown. Each item carries a
// 32-bit mask of the levels it belongs to; switching the window's level (wizard pages, an
// install view) maps the items of the new level and unmaps the rest. Start with any_attach.
#pragma once

class ColWind;
class GItem;

// True when an item with `mask` belongs to the set `level` names: up to six level numbers
// of 5 bits each, lowest first, ended by a 0 group; 0x80000000 and 0xFFFFFFFF name all.
bool ActivationSelects(unsigned long level, unsigned long mask);

// Applies the window's current level: the items of the set join their container's lists
// (and are shown when they were not in the previous set); the others are hidden when they
// were. The previous level becomes the current one.
void any_attach(ColWind* window);
// Stores the level, applies it and redraws the window.
void cwSetActivationLevel(ColWind* window, unsigned long level);
// Stores the level without applying it.
void RuntimePlacer_SetActivationLevel(ColWind* window, unsigned long level);
unsigned long RuntimePlacer_GetActivationLevel(ColWind* window);
// The item of the widget table with that name, or null.
GItem* RuntimePlacer_FindWidget(ColWind* window, const char* name);
