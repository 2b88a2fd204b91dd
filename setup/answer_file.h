// Answer files: what the wizard's pages store (installation directory, tool host, install
// types, content kinds, targets, boards, additional items) as plain text for people to
// read and edit, one "key = value" a line, "#" starting a comment line, lists separated by
// commas and named as -list prints them. The wizard writes one when Install is pressed
// (-record_answers); the unattended run applies one on top of the defaults of discovery
// and checks the result with the wizard's own rules, so that both hand the engine the
// same fields. Start with ApplyAnswerFile, then CheckAnswers.
#pragma once

#include <map>
#include <string>

// Where each key's value came from, for messages: "<file>:<line>" for a key of an answer
// file; keys missing here kept their default (or, for target_dir, came from -target_dir).
struct AnswerSources {
    std::map<std::string, std::string> where;
};

// Reads the answer file at `path` and sets the fields its keys name; target_dir only when
// -target_dir was not given, as the command line wins. A key left out keeps its default.
// False on the first bad answer, with *problem one line that names the file, the line and
// what is allowed there; the fields may then be partly set and the caller must stop.
bool ApplyAnswerFile(const char* path, AnswerSources* sources, std::string* problem);

// The first chosen board or additional item outside the chosen target directories, as a
// message ("board \"bsp_x\" is in target \"arm\", which is not selected; ..."), with the
// key of its set in *key; "" when there is none, as an answer file must have it.
std::string ItemOutsideChosenTargets(const char** key);

// Checks the choices now in installOptions with the wizard's rules, those of every page
// the wizard shows and of any page whose key the answers gave. False with *problem on the
// first rule that refuses. A rule that would ask (the directory exists already) does not
// stop the run: its text goes to *note.
bool CheckAnswers(const AnswerSources& sources, std::string* problem, std::string* note);

// The current choices in answer-file form. With `header`, the comment that opens a
// recorded file: the distribution's version line and the date.
std::string AnswersText(bool header);
// Writes AnswersText(true) to `path`; false with *problem filled when it cannot.
bool WriteAnswerFile(const char* path, std::string* problem);
