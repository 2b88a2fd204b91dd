// Helpers for the install engine tests: a progress view that records every line, and a
// fixture that discovers a fixture distribution and installs it into a scratch directory.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "setup/discovery/test_discovery_support.h"
#include "setup/engine/install_engine.h"
#include "xswitch/xswitch.h"

// Every line shown, as its kind ('E'rror, 'M'essage, 'I'nformation) followed by the text.
class RecordingView : public InstallProgressView {
public:
    void DisplayError(const char* text) override { Add('E', text); }
    void DisplayMessage(const char* text) override { Add('M', text); }
    void DisplayInformation(const char* text) override { Add('I', text); }
    void ChangeCancelToDone() override { finished = true; }

    // The lines that begin with `start` ("M" for all messages), without their kind.
    std::vector<std::string> Texts(const std::string& start) const {
        std::vector<std::string> texts;
        for (const std::string& line : lines)
            if (line.compare(0, start.size(), start) == 0) texts.push_back(line.substr(1));
        return texts;
    }
    bool Has(const std::string& line) const { return !Texts(line).empty(); }
    // The final report: the last line before the one that names the log.
    std::string Report() const {
        for (auto line = lines.rbegin(); line != lines.rend(); ++line)
            if (line->compare(0, 18, "IInstallation log:") != 0) return *line;
        return "";
    }

    std::vector<std::string> lines;
    bool finished = false;
    std::function<void(const std::string&)> onLine; // e.g. the user pressing Cancel

private:
    void Add(char kind, const char* text) {
        lines.push_back(kind + std::string(text));
        if (onLine) onLine(lines.back());
    }
};

class EngineTest : public DiscoveryTest {
protected:
    EngineTest() {
        ResetInstallOptions();
        theProgressView = &view;
    }
    ~EngineTest() override {
        theProgressView = nullptr;
        debugFlag[kSwitchUseFDRegistry] = 0;
    }

    // gtar (logging its command lines) and gzip in the default utilities directory.
    void UtilTools() {
        WriteRecordingTool(util, "gtar", FindOnPath("tar"), log);
        ASSERT_EQ(symlink(FindOnPath("gzip").c_str(), (util + "/gzip").c_str()), 0);
    }
    void Prepare() {
        ASSERT_TRUE(dist.Build());
        Discover(dist.root());
        installOptions.targetDir = gen_copy(target.c_str());
    }
    // Runs `work` with the engine's printing going to `printed`.
    void Capture(const std::function<void()>& work) {
        fflush(stdout);
        int saved = dup(1);
        FILE* sink = fopen((tmp / "stdout.txt").c_str(), "w");
        dup2(fileno(sink), 1);
        work();
        fflush(stdout);
        dup2(saved, 1);
        close(saved);
        fclose(sink);
        printed += ReadFile(tmp / "stdout.txt");
    }
    void Install() {
        Capture([] { DoInstall(nullptr, 0); });
    }
    std::vector<std::string> Commands() const {
        std::vector<std::string> lines;
        std::istringstream text(PathExists(log) ? ReadFile(log) : "");
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }

    RecordingView view;
    std::string util = binDir + "/utilities/linux86";
    std::string log = tmp / "commands.log";
    std::string target = tmp / "installed";
    std::string printed;
};

// The permission bits of everything below root by relative path (directories with
// kIsDir added); symbolic links are not followed.
const int kIsDir = 01000;
inline std::map<std::string, int> ModesBelow(const std::string& root) {
    std::map<std::string, int> modes;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        struct stat status;
        if (lstat(entry.path().c_str(), &status) == 0 && !S_ISLNK(status.st_mode))
            modes[entry.path().string().substr(root.size() + 1)] =
                (S_ISDIR(status.st_mode) ? kIsDir : 0) | (status.st_mode & 0777);
    }
    return modes;
}
