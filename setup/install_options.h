// The installer's one options record: directories, the host, target, content-kind,
// install-type and item tables, the wizard's position, the validation rules, the
// utilities and the cancel and progress flags. Filled from the command line
// (setup_entry.cpp), then by discovery (InstallOptions::SetDefaults).
#pragma once

#include <vector>

#include "setup/components.h"

class Error;

enum {
    kNumHosts = 6,
    kAllHosts = 5,
    kNumTargets = 21,
    kAllTargets = 20,
    kNumContentKinds = 2,
    kNumInstallTypes = 3,
    kNumErrors = 6
};
enum { kTypeIde = 0, kTypeBlw = 1, kTypeVstartd = 2 };
enum { kKindDocs = 0, kKindTools = 1 };

#ifndef VT_RUNNING_HOST
#define VT_RUNNING_HOST 2
#endif
// Index in the host table of the machine the installer was built for.
constexpr int kRunningHost = VT_RUNNING_HOST;

class InstallOptions {
public:
    InstallOptions() {}

    void GetCommandLineArguments(char** argv, int argc);
    void SetDefaults(char** argv, int argc);
    bool InitializeHosts();
    void InitializeTargets();
    void InitializeComponents();
    void InitializeTypes();
    void InitializeErrors();
    void InitializeBSPs();
    void InitializeAddons();
    int InitializeSet(const char* kind, ComponentSet& set);
    bool FindUtilities();
    char* CreateInstallSummary();  // new text; the caller frees it

    char* sourceDir;
    char* targetDir;
    char* utilDir;
    char* programDir;
    int runningHost;
    int toolHost;
    bool showHelp;
    Component* hosts[kNumHosts];
    Component* targets[kNumTargets];
    Component* components[kNumContentKinds];
    ComponentSet bsps;
    ComponentSet addons;
    Component* types[kNumInstallTypes];
    Component** shownSet;
    int shownSetCount;
    int numBSPs;
    int numAddons;
    int numInstallTypes;
    bool cancelRequested;
    bool cancelled;
    bool installStarted;
    bool installFinished;
    bool noDisplay;
    bool installPatchRequested;
    bool createPatchRequested;
    int currentSegment;
    int requestedSegment;
    std::vector<char*> tgzList;  // archives to expand, in order
    Error* errors[kNumErrors];
    char* gtarPath;
    char* gzipPath;
    char* installDir;
    char* installPatchFile;
    char* createPatchFile;
    char* patchInfo;
    bool saveCatalogs;
    char* version;

    // Installing without a window and answer files (see answer_file.h).
    bool installRequested;   // -install: install unattended
    bool listRequested;      // -list: print what the distribution offers
    bool recordOnly;         // -record_only: write the answers, install nothing
    char* answersFile;       // -answers
    char* recordAnswersFile; // -record_answers
    bool targetDirGiven;     // -target_dir was given: it wins over an answer file
    int exitStatus;          // the program's status after the wizard (a signal ended the run)
    int scanTimeout;         // -scan_timeout: seconds reading one archive may take; 0 for 60
    int inflateJobs;         // -jobs: archives inflated at once; 0 for one a processor
    int bufferMb;            // -buffer_mb: memory for archives inflated ahead; 0 for 256
    bool keepPartial;        // -keep_partial: a stopped unattended run keeps what it wrote
    bool rollbackOnError;    // -rollback_on_error: a failed unattended run removes it
    bool uninstallRequested; // -uninstall: remove what the records of targetDir list
};

extern InstallOptions installOptions;

// True when sourceDir/relative exists (the bare relative path while sourceDir is null).
bool FileExists(const char* relative);

// Whether the wizard offers target `target` (0-19) while `toolHost` is chosen: the four
// native targets only with their own host, "alltargets" never.
bool TargetShownForHost(int target, int toolHost);

// New copy of `word` that /bin/sh and the command splitter (makeArgv) both keep as one
// word: unchanged when nothing in it is special to either, quoted otherwise.
char* QuoteCommandWord(const char* word);
// New text: the gtar command, up to the archive name, that expands a gzip'ed archive into
// the current directory. The copy of gtar in utilDir is told which gzip to run.
char* ExtractCommandPrefix();

// One validation rule of the wizard, tied to a page.
class Error {
public:
    Error(int id, int segment, const char* message, bool isQuestion);
    void Check();
    void Notify();

    int segment;
    int id;
    bool isQuestion;
    bool checked;
    bool failed;
    char* message;
    char* text;
};
