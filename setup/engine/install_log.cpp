// The installation log (see install_log.h). Every line goes to the file with one write on
// a descriptor opened for appending, so nothing waits in a buffer when the run dies and
// two runs into the same directory never interleave inside a line. Start at
// InstallLogOpen.
#include "setup/engine/install_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "setup/answer_file.h"
#include "setup/engine/install_engine.h"
#include "setup/install_options.h"
#include "setup/setup_entry.h"
#include "shared/indgen.h"

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace {

struct LogState {
    std::string commandLine;
    std::vector<std::string> kept; // formatted lines waiting for the file
    std::string path;
    int fd = -1;
} state;

std::string Now() {
    time_t now = time(nullptr);
    struct tm local;
    char text[64] = "";
    if (localtime_r(&now, &local)) strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local);
    return text;
}

void WriteAll(const std::string& text) {
    // A full disk must not stop the installation: what cannot be written is lost.
    if (state.fd >= 0) gen_write_all(state.fd, text.data(), text.size());
}

void Emit(const std::string& line) {
    if (state.fd >= 0)
        WriteAll(line);
    else
        state.kept.push_back(line);
}

// `text` with `prefix` before every line of it and a line end after the last.
std::string Prefixed(const char* prefix, const char* text) {
    std::string out = prefix;
    for (const char* c = text ? text : ""; *c; c++) {
        out += *c;
        if (*c == '\n' && c[1]) out += prefix;
    }
    if (out.empty() || out.back() != '\n') out += '\n';
    return out;
}

std::string HowItEnded(int status) {
    if (status == -1) return "not known";
    if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) {
        int signal = WTERMSIG(status);
        const char* name = strsignal(signal);
        return "killed by signal " + std::to_string(signal) +
               (name ? std::string(" (") + name + ")" : "");
    }
    return "wait status " + std::to_string(status);
}

} // namespace

void InstallLogSetCommandLine(int argc, char** argv) {
    state.commandLine.clear();
    for (int i = 0; i < argc && argv[i]; i++) {
        char* word = QuoteCommandWord(argv[i]);
        if (i > 0) state.commandLine += ' ';
        state.commandLine += word;
        gen_free(word);
    }
}

bool InstallLogOpen(const char* installDir) {
    if (state.fd >= 0) close(state.fd);
    std::string folder = std::string(installDir) + "/" + kSetupFolder;
    state.path = folder + "/" + kInstallLogName;
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        state.fd = -1;
    else
        state.fd = open(state.path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (state.fd < 0) {
        state.path.clear();
        state.kept.clear();
        return false;
    }
    std::string head = "==== " + Now() + ": installation started\n";
    head += "program: Veltrane setup " + std::string(kSetupVersion) + "\n";
    head += "command line: " + state.commandLine + "\n";
    head += "answers:\n" + Prefixed("    ", AnswersText(false).c_str());
    for (const std::string& line : state.kept) head += line;
    state.kept.clear();
    WriteAll(head);
    return true;
}

void InstallLogLine(char kind, const char* text) {
    switch (kind) {
    case 'E':
        Emit(Prefixed("error: ", text));
        break;
    case 'N':
        Emit(Prefixed("note: ", text));
        break;
    default:
        Emit(Prefixed("", text));
        break;
    }
}

void InstallLogCommand(const char* command) {
    Emit(Prefixed("$ ", command));
}

void InstallLogCommandEnded(int waitStatus) {
    Emit("command ended: " + HowItEnded(waitStatus) + "\n");
}

void InstallLogClose(const char* outcome) {
    Emit(Prefixed("outcome: ", outcome));
    Emit("==== " + Now() + ": installation ended\n\n");
    if (state.fd >= 0)
        close(state.fd);
    else
        state.path.clear(); // this run had no log
    state.fd = -1;
    state.kept.clear();
}

const std::string& InstallLogPath() {
    return state.path;
}
