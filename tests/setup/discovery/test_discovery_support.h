// Helpers for tests that run discovery in the test process: a fresh options record and
// page table, and SetDefaults on a fixture distribution in command-line mode.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "setup/components.h"
#include "setup/install_options.h"
#include "shared/indgen.h"
#include "support/dist_fixture.h"
#include "support/temp_dir.h"

// Every field back to zero, as at process start (the old objects are left to leak, as the
// program itself never frees them), and a fresh page table.
inline void ResetInstallOptions() {
    InstallOptions& o = installOptions;
    o.sourceDir = o.targetDir = o.utilDir = o.programDir = nullptr;
    o.runningHost = o.toolHost = 0;
    o.showHelp = false;
    for (Component*& c : o.hosts) c = nullptr;
    for (Component*& c : o.targets) c = nullptr;
    for (Component*& c : o.components) c = nullptr;
    for (Component*& c : o.types) c = nullptr;
    o.bsps.clear();
    o.addons.clear();
    o.shownSet = nullptr;
    o.shownSetCount = o.numBSPs = o.numAddons = o.numInstallTypes = 0;
    o.cancelRequested = o.cancelled = o.installStarted = o.installFinished = false;
    o.noDisplay = o.installPatchRequested = o.createPatchRequested = false;
    o.currentSegment = o.requestedSegment = 0;
    o.tgzList.clear();
    for (Error*& e : o.errors) e = nullptr;
    o.gtarPath = o.gzipPath = o.installDir = nullptr;
    o.installPatchFile = o.createPatchFile = o.patchInfo = nullptr;
    o.saveCatalogs = false;
    o.version = nullptr;
    o.scanTimeout = o.inflateJobs = o.bufferMb = 0;
    o.keepPartial = o.rollbackOnError = o.uninstallRequested = false;
    InitializeSegments();
    num_runtime_segments = 0;
}

// SetDefaults on `sourceDir` in command-line mode, as `setup -nodisplay` runs it (with
// `-jobs jobs` when that is not 0).
inline void Discover(const std::string& sourceDir, bool saveCatalogs = false, int jobs = 0) {
    ResetInstallOptions();
    installOptions.noDisplay = true;
    installOptions.inflateJobs = jobs;
    installOptions.saveCatalogs = saveCatalogs;
    installOptions.sourceDir = gen_copy(sourceDir.c_str());
    installOptions.SetDefaults(nullptr, 0);
}

// The item of a set with this name, or null.
inline Component* FindItem(const ComponentSet& set, const char* name) {
    for (Component* c : set)
        if (c && gen_strequal(c->name, name)) return c;
    return nullptr;
}

// A scratch area with a distribution under "dist" and the program's directory "bin";
// the current directory is given back after each test (discovery changes it).
class DiscoveryTest : public testing::Test {
protected:
    DiscoveryTest() : dist(tmp / "dist"), binDir(tmp / "bin") {
        char cwd[4096];
        startDir = getcwd(cwd, sizeof cwd) ? cwd : "/";
        MakeDirectory(binDir);
        gen_changeprogdir(binDir.c_str());
    }
    ~DiscoveryTest() override {
        if (chdir(startDir.c_str()) != 0) ADD_FAILURE() << "cannot return to " << startDir;
    }
    static void MakeDirectory(const std::string& path) {
        ASSERT_EQ(ShellStatus("mkdir -p '" + path + "'"), 0);
    }

    ScopedTempDir tmp;
    DistFixture dist;
    std::string binDir;
    std::string startDir;
};
