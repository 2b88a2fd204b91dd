// Feeds bytes to the answer-file reader as the file's contents, over a small fixed
// distribution (two hosts, three targets, boards in two of them, two additional items),
// and writes the choices back. Whatever the input, reading either refuses it with a
// message naming the file or leaves choices that are offered, and the answers it wrote
// read back to the same choices.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "setup/answer_file.h"
#include "setup/components.h"
#include "setup/install_options.h"
#include "shared/indgen.h"

namespace {
std::string file; // the answers, rewritten for every input
// The items, held where the options record's sets (destroyed at exit) are not needed to
// reach them: the program never frees its components.
std::vector<Component*>* items = new std::vector<Component*>;

void MakeDistribution() {
    InstallOptions& o = installOptions;
    InitializeSegments();
    const char* const hosts[] = {"hppa", "solaris2", "linux86", "win32", "unix"};
    for (int h = 0; h < kAllHosts; h++)
        o.hosts[h] = new Component(hosts[h], hosts[h], h, h >= 1 && h <= 2, false);
    o.toolHost = 2;
    for (int t = 0; t < kNumTargets; t++) {
        bool present = t == 1 || t == 14 || t == 15 || t == kAllTargets;
        o.targets[t] = new Component(t == 1    ? "arm"
                                     : t == 14 ? "native_linux86"
                                     : t == 15 ? "ppc"
                                               : "t",
                                     "", t, present, present);
    }
    const char* const kinds[] = {"docs", "tools"};
    for (int k = 0; k < kNumContentKinds; k++)
        o.components[k] = new Component(kinds[k], "", k, true, true);
    const char* const types[] = {"ide", "blw", "vstartd"};
    for (int t = 0; t < kNumInstallTypes; t++)
        o.types[t] = new Component(types[t], "", t, t != 1, t == 0);
    const int boardTargets[] = {1, 15, 15, kAllTargets};
    for (int b = 0; b < 4; b++) {
        std::string name = "bsp_b" + std::to_string(b);
        o.bsps.push_back(
            new Component(name.c_str(), "", b, true, false, false, boardTargets[b], nullptr));
    }
    items->insert(items->end(), o.bsps.begin(), o.bsps.end());
    o.bsps.push_back(nullptr);
    o.numBSPs = 4;
    for (const char* item : {"addon_x", "addon_y"})
        o.addons.push_back(new Component(item, "", 0, true, false));
    items->insert(items->end(), o.addons.begin(), o.addons.end());
    o.addons.push_back(nullptr);
    o.numAddons = 2;
    o.targetDir = gen_copy("/opt/vt");
    o.version = gen_copy("Fuzz 1.0");
}
// Every input starts from the same defaults.
void ResetChoices() {
    InstallOptions& o = installOptions;
    o.toolHost = 2;
    for (Component* t : o.targets) t->selected = t->available && t->index != 14;
    for (Component* k : o.components) k->selected = true;
    for (Component* t : o.types) t->selected = t->index == 0;
    for (ComponentSet* set : {&o.bsps, &o.addons})
        for (Component* item : *set)
            if (item) item->selected = false;
    gen_free(o.targetDir);
    o.targetDir = gen_copy("/opt/vt");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (file.empty()) {
        gen_init("fuzz_answer_file", 0, 0);
        const char* tmp = getenv("TMPDIR");
        file =
            std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_answers_" + std::to_string(getpid());
        MakeDistribution();
    }
    ResetChoices();
    FILE* out = fopen(file.c_str(), "wb");
    if (!out) return 0;
    fwrite(data, 1, size, out);
    fclose(out);

    AnswerSources sources;
    std::string problem;
    if (ApplyAnswerFile(file.c_str(), &sources, &problem)) {
        // What was accepted writes out and reads back unchanged.
        std::string written = AnswersText(false);
        if (WriteAnswerFile(file.c_str(), &problem) &&
            (!ApplyAnswerFile(file.c_str(), &sources, &problem) || AnswersText(false) != written))
            abort();
    } else if (problem.compare(0, file.size(), file) != 0) {
        abort(); // a message that names no file
    }
    unlink(file.c_str());
    return 0;
}
