// The unattended run's terminal: the engine's lines go to standard output and its problems
// (error lines, the commands' standard error) to standard error. When standard output is a
// terminal, one progress line (archive k of n, compressed input done, time elapsed) is
// redrawn in place of the per-archive lines; when it is not, nothing is ever redrawn and
// each archive gets its line "[k/n] Expanding: <archive>". Start at DisplayArchive.
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdio>

#include "setup/engine/install_engine.h"

class ConsoleProgressView : public InstallProgressView {
public:
    // `redraw`: standard output is a terminal, so the progress line may be drawn over.
    explicit ConsoleProgressView(bool redraw);
    ~ConsoleProgressView() override;
    ConsoleProgressView(const ConsoleProgressView&) = delete;
    ConsoleProgressView& operator=(const ConsoleProgressView&) = delete;

    void DisplayError(const char* text) override;
    void DisplayMessage(const char* text) override;
    void DisplayInformation(const char* text) override;
    void ChangeCancelToDone() override {}
    void DisplayArchive(const ArchiveProgress& progress) override;
    void ArchiveAdvanced(const ArchiveProgress& progress) override { progress_ = progress; }
    void ArchivesFinished() override;
    void Tick() override;

private:
    // One line (a line end is added unless the text ends in one), with the progress line
    // taken away first and drawn again after it.
    void WriteLine(FILE* stream, const char* text);
    void Draw();
    void Erase();
    long ElapsedSeconds() const;

    bool redraw_;
    bool expanding_ = false; // between the first archive and the end of the last
    ArchiveProgress progress_ = {0, 0, nullptr, 0, 0};
    size_t shownLength_ = 0; // of the progress line on the terminal now; 0 for none
    long shownSeconds_ = -1;
    struct timespec start_;
};
