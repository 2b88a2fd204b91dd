// The layout rules of the wizard's window (MainWindow_GUI): the placer's sections and rules
// by item number, as PlacerBuildRuntimeInfo takes them. Plain data with no dependencies.
#pragma once

extern const char* const kMainWindowRules[];
extern const int kNumMainWindowRules;
