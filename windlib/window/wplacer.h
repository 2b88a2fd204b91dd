// The layout of a window from its generated rule strings: the placer (placer/run_time)
// does the sizing and positioning; this adapter answers its questions from a ColWind and
// its widget table and carries out its resizes and moves. Call PlacerBuildRuntimeInfo
// once the widget table is filled; the window then lays itself out on its first redraw
// and on every resize.
#pragma once

class ColWind;

// Parses the rules into the window's layout tables and installs PlacerResizeAll and
// PlacerReconfigureAll as its resize and reconfigure hooks.
void PlacerBuildRuntimeInfo(ColWind* window, const char* const* rules, int count);
// Every item re-takes its size, then the whole window is laid out and redrawn.
void PlacerReconfigureAll(ColWind* window);
// The window has a new size: nothing when it is the one laid out last, else a new layout
// and a redraw.
void PlacerResizeAll(ColWind* window, int width, int height);
void PlacerDestroyRuntimeInfo(ColWind* window);
