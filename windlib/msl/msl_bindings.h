// How a scroll list reads input: binding texts that map a mouse transition or a key, with
// modifiers, to a list of commands. The built-in texts are parsed once per process into
// tables that every list shares; a text that does not parse makes list creation fail.
// Start with MslParseBinding; the command names are the table in the .cpp.
#pragma once

#include <string>
#include <vector>

#include "windlib/x11/xinlib.h"

enum MslCommand {
    kMslActivate,
    kMslSelectionStart,
    kMslSelectionExtend,
    kMslSelectionUnion,
    kMslSelectionUnionExtend,
    kMslSelectionAdjust,
    kMslSelectionGrab,
    kMslSingleClick,
    kMslSelectWord,
    kMslDoubleClick,
    kMslSelectLine,
    kMslScroll,
    // The eight moves, then the same eight extending the selection, in this order.
    kMslSelectionUp,
    kMslSelectionDown,
    kMslSelectionLeft,
    kMslSelectionRight,
    kMslSelectionPageUp,
    kMslSelectionPageDown,
    kMslSelectionHome,
    kMslSelectionEnd,
    kMslSelectionExtendUp,
    kMslSelectionExtendDown,
    kMslSelectionExtendLeft,
    kMslSelectionExtendRight,
    kMslSelectionExtendPageUp,
    kMslSelectionExtendPageDown,
    kMslSelectionExtendHome,
    kMslSelectionExtendEnd,
    kMslSingleKeyClick,
    kMslSelectAll,
    kMslBackISearch,
    kMslForwardISearch,
    kMslSizeToFit,
    kMslReturnISearch,
    kMslDoubleKeyClick,
    kMslNextActivate,
    kMslPrevActivate,
    kMslCopyAll,
    kMslCopySel,
    kMslCli,
    kMslNumCommands
};

enum { kMslNumMoves = 8 };

// The command's name as bindings spell it.
const char* MslCommandName(MslCommand command);

struct MslCall {
    MslCommand command;
    std::string arg; // the text after the name ("-5l" in "Scroll -5l"), may be empty
};

// The modifiers a binding can name.
enum { kMslModifierMask = kModShift | kModControl | kModAlt | kModMeta };

struct MslBinding {
    bool mouse = false;
    int button = 0;       // mouse: 1 to 5
    bool release = false; // mouse: on the release instead of the press
    int clicks = 1;       // mouse: the click count it is for
    bool atOnce = false;  // mouse: runs without waiting to see whether another click follows
    int key = 0;          // key: the toolkit key code, letters in lower case
    bool anyModifiers = false;
    long modifiers = 0;
    std::vector<MslCall> calls;
};

// The command record a "Cli" command hands to the list's command callback.
struct CmdInfo {
    const char* name; // "Cli"
    const char* arg;  // the text after the name, never null
    xinLibSt* event;  // the event that ran it, or null
};

// Parses one binding text ("Mouse1*Press1(AtOnce)|Shift=Activate;SelectionExtend",
// "\"Up\"|Control=SelectionUp", "c|Control=CopySel"); false when it does not parse.
bool MslParseBinding(const char* text, MslBinding* binding);
// Parses "Name arg;Name..." into calls; false for an unknown name or an empty list.
bool MslParseCommands(const char* text, std::vector<MslCall>* calls);

// The built-in binding texts, in table order.
std::vector<std::string> MslMouseBindingTexts();
std::vector<std::string> MslKeyBindingTexts();

// Parses the process's bindings the first time; false (every time) when one did not parse.
bool MslBindingsReady();
// The first binding for the transition, or null. `modifiers` are the event's bits.
const MslBinding* MslFindMouseBinding(int button, bool release, int clicks, long modifiers);
const MslBinding* MslFindKeyBinding(int key, long modifiers);
// Replaces the binding texts (null arrays: the built-in ones); they are parsed on next use.
void mslSetBindings(const char* const* mouse, int mouseCount, const char* const* keys,
                    int keyCount);
