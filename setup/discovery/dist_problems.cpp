// The list of what discovery found wrong with the distribution, and the one report of it
// (see dist_problems.h). The wizard shows the report in one alert, cut to a length that
// still fits on the screen; command-line mode prints every line.
#include "setup/discovery/dist_problems.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "setup/install_options.h"
#include "setup/setup_entry.h"

namespace {
std::vector<std::string> problems;

// More lines than this would push an alert's button off the screen.
constexpr size_t kMostLinesInAlert = 20;

const char kRefusal[] = "not a regular file";

bool IsRegular(const struct stat& status) {
    return S_ISREG(status.st_mode);
}
} // namespace

void NoteDistributionProblem(const std::string& path, const std::string& what) {
    // A path is shown whole: its end names the file.
    problems.push_back(Printable(path, std::string::npos) + ": " + Printable(what));
}

void ReportDistributionProblems() {
    if (problems.empty()) return;
    std::string report = "These parts of the distribution are damaged and were left out:";
    size_t shown =
        installOptions.noDisplay ? problems.size() : std::min(problems.size(), kMostLinesInAlert);
    for (size_t i = 0; i < shown; i++) report += "\n" + problems[i];
    if (shown < problems.size())
        report += "\n... and " + std::to_string(problems.size() - shown) + " more.";
    problems.clear();
    SetupReportErrorNoExit(report.c_str());
}

std::string Printable(const std::string& text, size_t longest) {
    std::string shown;
    for (unsigned char c : text) {
        if (shown.size() >= longest) break;
        if (c >= 0x20 && c != 0x7f) {
            shown += static_cast<char>(c);
        } else {
            char octal[8];
            snprintf(octal, sizeof octal, "\\%03o", c);
            shown += octal;
        }
    }
    return shown;
}

FILE* OpenRegularFile(const std::string& path, bool followLinks, std::string* refusal) {
    refusal->clear();
    struct stat status;
    int found = followLinks ? stat(path.c_str(), &status) : lstat(path.c_str(), &status);
    if (found != 0) return nullptr;
    if (!IsRegular(status)) {
        *refusal = kRefusal;
        return nullptr;
    }
    // Without waiting, in case a FIFO took the file's place since the look above; the type
    // is checked again on what was opened.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        if (errno == ELOOP) *refusal = kRefusal;
        return nullptr;
    }
    if (fstat(fd, &status) != 0 || !IsRegular(status)) {
        close(fd);
        *refusal = kRefusal;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = fdopen(fd, "r");
    if (!file) close(fd);
    return file;
}
