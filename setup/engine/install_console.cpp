// The unattended run's terminal (see install_console.h). The progress line is drawn with a
// carriage return and blanks over what was there before, nothing else, so that it works on
// any terminal; every other line first takes the progress line away, so the two never mix.
#include "setup/engine/install_console.h"

#include <cstring>
#include <string>

namespace {

std::string Amount(long long bytes, long long total) {
    char text[32];
    if (total < 10LL * 1024 * 1024)
        snprintf(text, sizeof text, "%lld KiB", (bytes + 1023) / 1024);
    else
        snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
    return text;
}

} // namespace

ConsoleProgressView::ConsoleProgressView(bool redraw) : redraw_(redraw) {
    clock_gettime(CLOCK_MONOTONIC, &start_);
}

ConsoleProgressView::~ConsoleProgressView() {
    Erase();
}

long ConsoleProgressView::ElapsedSeconds() const {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long>(now.tv_sec - start_.tv_sec);
}

void ConsoleProgressView::Draw() {
    long seconds = ElapsedSeconds();
    char line[160];
    snprintf(line, sizeof line, "Expanding archive %d of %d: %s of %s done, %ld:%02ld elapsed",
             progress_.number, progress_.count,
             Amount(progress_.bytesDone, progress_.bytesTotal).c_str(),
             Amount(progress_.bytesTotal, progress_.bytesTotal).c_str(), seconds / 60,
             seconds % 60);
    size_t length = strlen(line);
    // Blanks over whatever of a longer line is left.
    fprintf(stdout, "\r%s%*s", line,
            static_cast<int>(shownLength_ > length ? shownLength_ - length : 0), "");
    fflush(stdout);
    shownLength_ = length > shownLength_ ? length : shownLength_;
    shownSeconds_ = seconds;
}

void ConsoleProgressView::Erase() {
    if (shownLength_ == 0) return;
    fprintf(stdout, "\r%*s\r", static_cast<int>(shownLength_), "");
    fflush(stdout);
    shownLength_ = 0;
}

void ConsoleProgressView::WriteLine(FILE* stream, const char* text) {
    Erase();
    size_t length = text ? strlen(text) : 0;
    fprintf(stream, length > 0 && text[length - 1] == '\n' ? "%s" : "%s\n", text ? text : "");
    fflush(stream);
    if (redraw_ && expanding_) Draw();
}

void ConsoleProgressView::DisplayError(const char* text) {
    WriteLine(stderr, text);
}

void ConsoleProgressView::DisplayMessage(const char* text) {
    WriteLine(stdout, text);
}

void ConsoleProgressView::DisplayInformation(const char* text) {
    WriteLine(stdout, text);
}

void ConsoleProgressView::DisplayArchive(const ArchiveProgress& progress) {
    progress_ = progress;
    expanding_ = true;
    if (redraw_) {
        Draw();
        return;
    }
    fprintf(stdout, "[%d/%d] Expanding: %s\n", progress.number, progress.count, progress.archive);
    fflush(stdout);
}

void ConsoleProgressView::ArchivesFinished() {
    expanding_ = false;
    Erase();
}

void ConsoleProgressView::Tick() {
    if (redraw_ && expanding_ && ElapsedSeconds() != shownSeconds_) Draw();
}
