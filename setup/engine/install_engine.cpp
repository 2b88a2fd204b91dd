// The installation run: DoInstall below walks through it in order (summary, installation
// directory, archive list, expansion, permissions, online help, final report). The display
// functions at the end are the only way the engine talks to the user; a cancel requested
// by the user is noticed at the next message or command and makes every later step a no-op.
#include "setup/engine/install_engine.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "setup/install_options.h"
#include "shared/indgen.h"

InstallProgressView* theProgressView = nullptr;

namespace {

// Names tried for the write test: "test", "test1", ... until one does not exist yet.
const int kWriteProbeAttempts = 100;

const char kCancelledReport[] =
    "The installation has been cancelled.\nManually remove files created during the "
    "installation process.";

bool TypeSelected(int type) {
    const Component* c = installOptions.types[type];
    return c && c->selected;
}

bool DocsSelected() {
    const Component* c = installOptions.components[kKindDocs];
    return c && c->selected;
}

void EnterInstallDir() {
    if (installOptions.installDir) gen_chdir(installOptions.installDir);
}

// Fatal for the run: the report, and both cancel flags so that nothing else happens.
void AbandonInstall(const char* what, const char* dir) {
    char* message = gen_concat3(what, dir, ".");
    DoDisplayError(message);
    gen_free(message);
    installOptions.cancelRequested = true;
    installOptions.cancelled = true;
}

// Expands targetDir, creates it and makes it current; false when any of that fails.
bool PrepareInstallDir() {
    InstallOptions& o = installOptions;
    char* expanded = o.targetDir ? gen_expand_filename(o.targetDir) : nullptr;
    gen_free(o.targetDir);
    o.targetDir = expanded ? expanded : gen_copy("");
    gen_free(o.installDir);
    o.installDir = gen_copy(o.targetDir);
    return *o.installDir && gen_createdir_recursive(o.installDir, 0755) == 0 &&
           gen_chdir(o.installDir) == 0;
}

// Creates and removes a scratch file in dir, never touching a file that is already there.
bool CanWriteIn(const char* dir) {
    for (int attempt = 0; attempt < kWriteProbeAttempts; attempt++) {
        char* probe =
            attempt == 0 ? gen_concat(dir, "/test") : gen_asprintf("%s/test%d", dir, attempt);
        int fd = gen_open(probe, O_WRONLY | O_CREAT | O_EXCL, 0600);
        int openError = errno;
        if (fd >= 0) {
            close(fd);
            gen_unlink(probe);
        }
        gen_free(probe);
        if (fd >= 0) return true;
        if (openError != EEXIST) return false;
    }
    return false;
}

void ShowSummary() {
    char* summary = installOptions.CreateInstallSummary();
    DoDisplayInformation(summary);
    gen_free(summary);
    DoDisplayInformation("");
}

void MakeInstalledFilesReadOnly() {
    EnterInstallDir();
    DoDisplayMessage("Adjusting write permissions.");
    DoRemoveWritePermission(installOptions.installDir);
    EnterInstallDir();
}

// The helpInstall command up to the manual's name: the one in the utilities directory
// when there is one, else the one the distribution installed.
std::string HelpInstallPrefix() {
    const InstallOptions& o = installOptions;
    auto quoted = [](const char* word) {
        char* q = QuoteCommandWord(word ? word : "");
        std::string text = q;
        gen_free(q);
        return text;
    };
    char* utilHelp = gen_concat(o.utilDir, "/helpInstall");
    bool inUtilDir = o.utilDir && gen_canexec(utilHelp) == 1;
    std::string prefix = inUtilDir ? quoted(utilHelp) + "  -noverbose manuals "
                                   : "./helpInstall -gtar " + quoted(o.gtarPath) + " -gzip " +
                                         quoted(o.gzipPath) + " -noverbose manuals ";
    gen_free(utilHelp);
    return prefix;
}

// Sorted names of the manuals directory; false when it cannot be listed.
bool ListManuals(std::vector<std::string>* names) {
    char* dir = gen_concat(installOptions.installDir, "/manuals");
    char** entries = nullptr;
    int count = gen_read_directory(dir, &entries);
    gen_free(dir);
    for (char** entry = entries; entry && *entry; entry++) {
        names->push_back(*entry);
        gen_free(*entry);
    }
    gen_free(entries);
    std::sort(names->begin(), names->end());
    return count > 0;
}

void InstallOnlineHelp() {
    EnterInstallDir(); // "./helpInstall" is the one the distribution installed there
    std::vector<std::string> names;
    if (!ListManuals(&names)) return;
    DoDisplayMessage("Installing online help files.");
    std::string prefix = HelpInstallPrefix();
    for (const std::string& name : names) {
        if (name.find(".tar.gz") == std::string::npos) continue;
        char* manual = QuoteCommandWord(("manuals/" + name).c_str());
        DoCommand((prefix + manual).c_str());
        gen_free(manual);
    }
}

void Print(const char* text) {
    printf("%s\n", text);
    fflush(stdout);
}

} // namespace

int DoInstall(const char*, int) {
    InstallOptions& o = installOptions;
    o.installFinished = false;
    ShowSummary();

    if (!PrepareInstallDir()) {
        AbandonInstall("Could not create ", o.targetDir);
        return 0;
    }
    if (!CanWriteIn(o.installDir)) {
        AbandonInstall("Could not write to ", o.installDir);
        return 0;
    }

    SelectDependedItems();
    GetTGZList();
    for (size_t i = 0; i < o.tgzList.size() && o.tgzList[i]; i++) DoExpandTGZ(o.tgzList[i]);
    ForgetInstallTree(); // the add walks are over, also when cancelled

    if (!o.cancelRequested && !TypeSelected(kTypeBlw)) MakeInstalledFilesReadOnly();
    if (!o.cancelRequested && DocsSelected()) InstallOnlineHelp();

    if (o.cancelled)
        DoDisplayError(kCancelledReport);
    else
        DoDisplayInformation("Installation Completed");
    o.installFinished = true;
    if (theProgressView) theProgressView->ChangeCancelToDone();
    return 0;
}

void DoExpandTGZ(const char* archive) {
    const InstallOptions& o = installOptions;
    if (!TypeSelected(kTypeBlw)) {
        EnterInstallDir();
        DoAddWritePermission(o.installDir);
        EnterInstallDir();
    }
    char* prefix = ExtractCommandPrefix();
    char* quoted = QuoteCommandWord(archive);
    char* command = gen_concat(prefix, quoted);
    char* message = gen_concat("Expanding: ", archive);
    DoDisplayMessage(message);
    DoCommand(command);
    gen_free(message);
    gen_free(command);
    gen_free(quoted);
    gen_free(prefix);
}

void DoCommand(const char* command) {
    InstallOptions& o = installOptions;
    if (o.cancelled) return;
    if (o.cancelRequested) {
        o.cancelled = true;
        return;
    }
    ExecAndDisplayCommand(command);
}

void DoDisplayError(const char* text) {
    if (theProgressView) theProgressView->DisplayError(text);
    Print(text);
}

void DoDisplayMessage(const char* text) {
    InstallOptions& o = installOptions;
    if (o.cancelled) return;
    if (o.cancelRequested) {
        o.cancelled = true;
        return;
    }
    if (theProgressView) theProgressView->DisplayMessage(text);
    Print(text);
}

void DoDisplayInformation(const char* text) {
    if (theProgressView) theProgressView->DisplayInformation(text);
    Print(text);
}
