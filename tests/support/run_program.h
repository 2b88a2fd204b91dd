// Runs a real program as a child for end-to-end tests: arguments without a shell,
// standard output and standard error captured, the exit status and an optional time-out.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ProgramResult {
    int status = -1; // exit status, or 128 + signal number
    bool timedOut = false;
    std::string out;
    std::string err;
};

struct ProgramOptions {
    std::string workingDir;            // empty: the test's own
    std::vector<std::string> extraEnv; // "NAME=value" entries added to the environment
    std::vector<std::string> unsetEnv; // names removed from the environment
    std::string input;                 // written to standard input, then closed
    int timeoutSeconds = 60;
};

ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const ProgramOptions& options = ProgramOptions());

// Starts argv[0] without DISPLAY, both of its output streams into the file `out`, in a
// process group of its own with `ownGroup`, and returns at once; the caller waits for it.
pid_t StartProgram(const std::vector<std::string>& argv, const std::string& out,
                   bool ownGroup = false);

// The built program and the build tree.
std::string BuildDir();
std::string SetupProgram(); // <build>/bin/setup
