// Answer files (see answer_file.h). The keys are one table, in the order they are applied
// and written: the host comes before the targets (which native target is offered depends
// on it) and the targets before the boards (a board must be in a selected target). Each
// list key works on one table of Components through a ChoiceSet, so reading, writing and
// the names offered in messages all come from the same place. Start at ApplyAnswerFile.
#include "setup/answer_file.h"

#include <sys/stat.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "setup/components.h"
#include "setup/install_options.h"
#include "shared/indgen.h"

namespace {

// One key's value as read, and where it was read ("<file>:<line>").
struct Answer {
    std::string value;
    std::string where;
};

// The components a list key chooses among, and which of them this distribution offers.
struct ChoiceSet {
    const char* what; // one of them, for messages
    Component** set;
    int count;
    bool (*offered)(const Component* c);
};

bool Available(const Component* c) {
    return c->available;
}
bool OfferedTarget(const Component* c) {
    return c->available && TargetShownForHost(c->index, installOptions.toolHost);
}
bool AnyItem(const Component*) {
    return true;
}

ChoiceSet Types() {
    return {"install type", installOptions.types, kNumInstallTypes, Available};
}
ChoiceSet Content() {
    return {"content kind", installOptions.components, kNumContentKinds, Available};
}
// Targets 0-19: "alltargets" is never a choice.
ChoiceSet Targets() {
    return {"target", installOptions.targets, kAllTargets, OfferedTarget};
}
ChoiceSet Boards() {
    return {"board", installOptions.bsps.data(), installOptions.numBSPs, AnyItem};
}
ChoiceSet Items() {
    return {"item", installOptions.addons.data(), installOptions.numAddons, AnyItem};
}

// The names of the components of `choices` that are offered (or selected), comma-separated.
std::string Names(const ChoiceSet& choices, bool selectedOnly) {
    std::string names;
    for (int i = 0; i < choices.count; i++) {
        const Component* c = choices.set[i];
        if (!c || !choices.offered(c) || (selectedOnly && !c->selected)) continue;
        names += (names.empty() ? "" : ", ") + std::string(c->name);
    }
    return names;
}

std::string Offered(const ChoiceSet& choices) {
    std::string names = Names(choices, false);
    return names.empty() ? "; this distribution has none" : "; this distribution has: " + names;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> SplitList(const std::string& value) {
    std::vector<std::string> names;
    size_t start = 0;
    for (;;) {
        size_t comma = value.find(',', start);
        std::string name = Trimmed(value.substr(start, comma - start));
        if (!name.empty()) names.push_back(name); // a trailing comma is no name
        if (comma == std::string::npos) return names;
        start = comma + 1;
    }
}

Component* Named(const ChoiceSet& choices, const std::string& name) {
    for (int i = 0; i < choices.count; i++)
        if (choices.set[i] && gen_strequal(choices.set[i]->name, name.c_str()))
            return choices.set[i];
    return nullptr;
}

// Selects exactly the components the answer names.
bool ApplyChoices(const Answer& answer, const ChoiceSet& choices, std::string* problem) {
    std::set<const Component*> chosen;
    for (const std::string& name : SplitList(answer.value)) {
        const Component* c = Named(choices, name);
        if (!c || !choices.offered(c)) {
            *problem = answer.where + ": " +
                       (c ? "this distribution does not offer " : "unknown ") + choices.what +
                       " \"" + name + "\"" + Offered(choices);
            return false;
        }
        chosen.insert(c);
    }
    for (int i = 0; i < choices.count; i++)
        if (choices.set[i]) choices.set[i]->selected = chosen.count(choices.set[i]) > 0;
    return true;
}

bool ApplyTargetDir(const Answer& answer, std::string* problem) {
    (void)problem; // an empty or unwritable directory is the rules' to refuse
    InstallOptions& o = installOptions;
    if (o.targetDirGiven) return true;
    char* dir = answer.value.empty() ? gen_copy("") : gen_expand_filename(answer.value.c_str());
    // "~nobody/../x" expands to "x", which names something else once expanded again: the
    // directory kept is the one that expands to itself, so that it reads back the same.
    for (int again = 0; again < 4 && *dir; again++) {
        char* expanded = gen_expand_filename(dir);
        bool same = strcmp(expanded, dir) == 0;
        gen_free(dir);
        dir = expanded;
        if (same) break;
    }
    size_t length = strlen(dir);
    if (length > 1 && dir[length - 1] == '/') dir[length - 1] = '\0';
    gen_free(o.targetDir);
    o.targetDir = dir;
    return true;
}

// The hosts the tools can run on; "allhosts" is not one of them.
ChoiceSet Hosts() {
    return {"host", installOptions.hosts, kAllHosts, Available};
}

bool ApplyHost(const Answer& answer, std::string* problem) {
    ChoiceSet hosts = Hosts();
    const Component* host = Named(hosts, answer.value);
    if (!host || !host->available || SplitList(answer.value).size() != 1) {
        *problem = answer.where + ": " + (host ? "this distribution does not offer " : "unknown ") +
                   "host \"" + answer.value + "\"" + Offered(hosts);
        return false;
    }
    installOptions.toolHost = host->index;
    return true;
}

bool ApplyTypes(const Answer& a, std::string* p) {
    return ApplyChoices(a, Types(), p);
}
bool ApplyContent(const Answer& a, std::string* p) {
    return ApplyChoices(a, Content(), p);
}
bool ApplyTargets(const Answer& a, std::string* p) {
    return ApplyChoices(a, Targets(), p);
}
bool ApplyBoards(const Answer& a, std::string* p) {
    return ApplyChoices(a, Boards(), p);
}
bool ApplyItems(const Answer& a, std::string* p) {
    return ApplyChoices(a, Items(), p);
}

std::string TargetDirValue() {
    return installOptions.targetDir ? installOptions.targetDir : "";
}
std::string HostValue() {
    const Component* host = installOptions.hosts[installOptions.toolHost];
    return host ? host->name : "";
}
std::string TypesValue() {
    return Names(Types(), true);
}
std::string ContentValue() {
    return Names(Content(), true);
}
std::string TargetsValue() {
    return Names(Targets(), true);
}
std::string BoardsValue() {
    return Names(Boards(), true);
}
std::string ItemsValue() {
    return Names(Items(), true);
}

struct AnswerKey {
    const char* key;
    const char* comment; // above the key in a recorded file
    int page;            // the wizard page that asks it
    bool (*apply)(const Answer& answer, std::string* problem);
    std::string (*value)();
};
// In the order they are applied and written.
const AnswerKey kAnswerKeys[] = {
    {"target_dir", "where the tools are installed", kSegGeneral, ApplyTargetDir, TargetDirValue},
    {"host", "the host the tools will run on", kSegGeneral, ApplyHost, HostValue},
    {"types", "install types", kSegInstallType, ApplyTypes, TypesValue},
    {"content", "content kinds", kSegComponents, ApplyContent, ContentValue},
    {"targets", "target architectures", kSegTargetArchitecture, ApplyTargets, TargetsValue},
    {"boards", "board and architecture support packages", kSegBoards, ApplyBoards, BoardsValue},
    {"items", "additional items", kSegAdditionalItems, ApplyItems, ItemsValue},
};
constexpr int kNumAnswerKeys = sizeof kAnswerKeys / sizeof kAnswerKeys[0];
static_assert(kNumAnswerKeys == 7, "directory, host, types, content, targets, boards, items");

const AnswerKey* FindKey(const std::string& key) {
    for (const AnswerKey& k : kAnswerKeys)
        if (key == k.key) return &k;
    return nullptr;
}

std::string KeyNames() {
    std::string names;
    for (const AnswerKey& k : kAnswerKeys)
        names += (names.empty() ? "" : ", ") + std::string(k.key);
    return names;
}

// The whole file; false with *problem when it cannot be read.
bool ReadWholeFile(const char* path, std::string* text, std::string* problem) {
    struct stat status;
    errno = 0;
    FILE* file = stat(path, &status) == 0 && S_ISDIR(status.st_mode) ? nullptr : fopen(path, "r");
    char chunk[4096];
    for (size_t got; file && (got = fread(chunk, 1, sizeof chunk, file)) > 0;)
        text->append(chunk, got);
    if (!file || ferror(file)) {
        *problem = std::string(path) +
                   ": cannot read the answer file: " + strerror(errno ? errno : EISDIR);
        if (file) fclose(file);
        return false;
    }
    fclose(file);
    return true;
}

// The file's answers by key; false with *problem on the first line that is not one.
bool ReadAnswers(const char* path, std::map<std::string, Answer>* answers, std::string* problem) {
    std::string text;
    if (!ReadWholeFile(path, &text, problem)) return false;
    size_t start = 0;
    for (int number = 1; start < text.size(); number++) {
        size_t end = text.find('\n', start);
        std::string line = Trimmed(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
        if (line.empty() || line[0] == '#') continue;
        std::string where = std::string(path) + ":" + std::to_string(number);
        size_t equals = line.find('=');
        std::string key = Trimmed(line.substr(0, equals));
        if (equals == std::string::npos)
            *problem = where + ": not a \"key = value\" line: \"" + line + "\"";
        else if (!FindKey(key))
            *problem = where + ": unknown key \"" + key + "\"; the keys are: " + KeyNames();
        else if (answers->count(key))
            *problem = where + ": \"" + key + "\" was given already, at " + (*answers)[key].where;
        else
            (*answers)[key] = {Trimmed(line.substr(equals + 1)), where};
        if (!problem->empty()) return false;
    }
    return true;
}

// The first selected item of the set whose target directory is not selected, as a
// message; "" when every one is in a selected target ("alltargets" always is).
std::string ItemOutsideSelectedTargets(const ChoiceSet& items) {
    for (int i = 0; i < items.count; i++) {
        const Component* item = items.set[i];
        if (!item || !item->selected || item->targetIndex == kAllTargets) continue;
        const Component* target = item->targetIndex >= 0 && item->targetIndex < kNumTargets
                                      ? installOptions.targets[item->targetIndex]
                                      : nullptr;
        if (target && target->selected) continue;
        std::string selected = Names(Targets(), true);
        return std::string(items.what) + " \"" + item->name + "\" is in target \"" +
               (target ? target->name : "?") + "\", which is not selected; " +
               (selected.empty() ? "no target is selected"
                                 : "the selected targets are: " + selected);
    }
    return "";
}

bool PageEnabled(int page) {
    return page >= 0 && page < kNumSegments && theSegments[page] && theSegments[page]->enabled;
}

// The key a page's rules are about: the directory for the General page.
const AnswerKey* KeyOfPage(int page) {
    for (const AnswerKey& k : kAnswerKeys)
        if (k.page == page) return &k;
    return nullptr;
}

bool PageAnswered(const AnswerSources& sources, int page) {
    for (const AnswerKey& k : kAnswerKeys)
        if (k.page == page && sources.where.count(k.key)) return true;
    return false;
}

// Where the value a rule refused came from.
std::string WhereFrom(const AnswerSources& sources, const AnswerKey* key) {
    if (!key) return "the answers";
    auto found = sources.where.find(key->key);
    if (found != sources.where.end()) return found->second;
    if (key->page == kSegGeneral && installOptions.targetDirGiven) return "-target_dir";
    return std::string("the default ") + key->key;
}

// What the page's key may name, for the message of a refused rule.
std::string AllowedFor(int page) {
    std::string names;
    switch (page) {
    case kSegInstallType:
        names = Names(Types(), false);
        break;
    case kSegComponents:
        names = Names(Content(), false);
        break;
    case kSegTargetArchitecture:
        names = Names(Targets(), false);
        break;
    default:
        return "";
    }
    return " This distribution has: " + (names.empty() ? std::string("none") : names) + ".";
}

std::string Today() {
    time_t now = time(nullptr);
    struct tm local;
    char text[32] = "";
    if (localtime_r(&now, &local)) strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

} // namespace

bool ApplyAnswerFile(const char* path, AnswerSources* sources, std::string* problem) {
    std::map<std::string, Answer> answers;
    problem->clear();
    if (!ReadAnswers(path, &answers, problem)) return false;
    for (const AnswerKey& key : kAnswerKeys) {
        auto answer = answers.find(key.key);
        if (answer == answers.end()) continue;
        if (!key.apply(answer->second, problem)) return false;
        // A directory given on the command line won: the file's is not where it came from.
        if (!(ApplyTargetDir == key.apply && installOptions.targetDirGiven))
            sources->where[key.key] = answer->second.where;
    }
    const char* key = nullptr;
    std::string outside = ItemOutsideChosenTargets(&key);
    if (outside.empty()) return true;
    *problem = WhereFrom(*sources, FindKey(key)) + ": " + outside;
    return false;
}

std::string ItemOutsideChosenTargets(const char** key) {
    const std::pair<const char*, ChoiceSet> sets[] = {{"boards", Boards()}, {"items", Items()}};
    for (const auto& set : sets) {
        std::string outside = ItemOutsideSelectedTargets(set.second);
        if (outside.empty()) continue;
        if (key) *key = set.first;
        return outside;
    }
    return "";
}

bool CheckAnswers(const AnswerSources& sources, std::string* problem, std::string* note) {
    InstallOptions& o = installOptions;
    for (Error* rule : o.errors)
        if (rule) rule->checked = false;
    for (Error* rule : o.errors)
        if (rule && (PageEnabled(rule->segment) || PageAnswered(sources, rule->segment)))
            rule->Check();
    for (Error* rule : o.errors) {
        if (!rule || !rule->checked || !rule->failed) continue;
        if (rule->isQuestion) {
            *note = std::string(rule->text) + "\nNobody is asked in an unattended installation: "
                                              "the installation goes on.";
            continue;
        }
        *problem = WhereFrom(sources, KeyOfPage(rule->segment)) + ": " + rule->text +
                   AllowedFor(rule->segment);
        return false;
    }
    return true;
}

std::string AnswersText(bool header) {
    std::string text;
    if (header) {
        const char* version = installOptions.version ? installOptions.version : "";
        text += "# Veltrane setup answers, recorded " + Today() + " for the distribution\n# \"" +
                version +
                "\".\n# One \"key = value\" a line; lists are separated by commas. A key left out "
                "keeps\n# its default; \"setup -nodisplay -list\" shows the names the "
                "distribution offers.\n";
    }
    for (const AnswerKey& key : kAnswerKeys) {
        if (header) text += std::string("\n# ") + key.comment + "\n";
        std::string value = key.value();
        text += std::string(key.key) + (value.empty() ? " =" : " = " + value) + "\n";
    }
    return text;
}

bool WriteAnswerFile(const char* path, std::string* problem) {
    // A value is one line, read without the blanks around it.
    std::string dir = TargetDirValue();
    if (dir.find('\n') != std::string::npos || Trimmed(dir) != dir) {
        *problem = std::string(path) + ": the installation directory \"" + dir +
                   "\" cannot be written into an answer file: its name has a line break, or "
                   "blanks at an end";
        return false;
    }
    std::string text = AnswersText(true);
    FILE* file = fopen(path, "w");
    bool written = file && fwrite(text.data(), 1, text.size(), file) == text.size();
    int error = errno;
    if (file && fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written)
        *problem = std::string(path) + ": cannot write the answer file: " + strerror(error);
    return written;
}
