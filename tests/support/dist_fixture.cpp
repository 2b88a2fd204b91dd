// Distribution builder for tests (see dist_fixture.h). Each archive is staged in a scratch
// directory and packed from "." so that its members read "./path", as in a real
// distribution; all archives of one Build go through a single shell.
#include "support/dist_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace {
std::string Quote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void MakeDirs(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0755);
    mkdir(path.c_str(), 0755);
}

std::string Parent(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string DependencyLines(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += name + "\n";
    return text;
}

DistItem MakeItem(const std::string& kind, const std::string& name, const std::string& description,
                  const std::vector<std::string>& depends) {
    DistItem item;
    item.kind = kind;
    item.name = name;
    item.readme = description + "\n";
    item.hasDepends = !depends.empty();
    item.depends = DependencyLines(depends);
    return item;
}
} // namespace

std::string DistItem::ArchivePath() const {
    return target + "/" + host + "_" + kind + "_" + name + part + ".tgz";
}

DistItem Bsp(const std::string& name, const std::string& description,
             const std::vector<std::string>& depends) {
    return MakeItem("bsp", name, description, depends);
}

DistItem Addon(const std::string& name, const std::string& description,
               const std::vector<std::string>& depends) {
    return MakeItem("addon", name, description, depends);
}

DistFixture::DistFixture(const std::string& root) : root_(root) {
    MakeDirs(root_);
}

DistFixture& DistFixture::Version(const std::string& contents) {
    return File("info/version.txt", contents);
}

DistFixture& DistFixture::HostTools(const std::string& host, const DistFiles& files) {
    return Archive("alltargets/" + host + "_tools.tgz", files);
}

DistFixture& DistFixture::HostDocs(const std::string& host, const DistFiles& files) {
    return Archive("alltargets/" + host + "_docs.tgz", files);
}

DistFixture& DistFixture::InstallType(const std::string& type, const std::string& host) {
    if (type == "ide") return Archive("alltargets/allhosts_tools.tgz");
    if (type == "blw") return Archive("alltargets/" + host + "_bsp_blw_always_tools.tgz");
    return Archive("alltargets/" + host + "_part_" + type + ".tgz");
}

DistFixture& DistFixture::Target(const std::string& target) {
    MakeDirs(path(target));
    return *this;
}

DistFixture& DistFixture::Archive(const std::string& relative, const DistFiles& files) {
    pending_.push_back({relative, files});
    return *this;
}

DistFixture& DistFixture::Item(const DistItem& item) {
    DistFiles files = item.extra;
    bool inDir = item.form == MemberForm::InDirectory;
    if (item.hasReadme)
        files.push_back(
            {inDir ? item.name + "/readme.txt" : "readme_" + item.name + ".txt", item.readme});
    if (item.hasDepends)
        files.push_back(
            {inDir ? item.name + "/depends.txt" : "depends_" + item.name + ".txt", item.depends});
    return Archive(item.ArchivePath(), files);
}

DistFixture& DistFixture::File(const std::string& relative, const std::string& contents, int mode) {
    MakeDirs(Parent(path(relative)));
    WriteFile(path(relative), contents, mode);
    return *this;
}

DistFixture& DistFixture::Basic() {
    return HostTools("linux86")
        .InstallType("ide")
        .Archive("ppc/linux86_tools.tgz")
        .Archive("ppc/linux86_docs.tgz");
}

bool DistFixture::Build() {
    ScopedTempDir staging;
    std::string script = "set -e\n";
    for (size_t i = 0; i < pending_.size(); i++) {
        std::string dir = staging / std::to_string(i);
        MakeDirs(dir);
        for (const DistFile& file : pending_[i].files) {
            MakeDirs(Parent(dir + "/" + file.path));
            WriteFile(dir + "/" + file.path, file.contents, file.mode);
        }
        std::string archive = path(pending_[i].relative);
        MakeDirs(Parent(archive));
        script += "tar -C " + Quote(dir) + " -czf " + Quote(archive) + " .\n";
    }
    pending_.clear();
    std::string scriptPath = staging / "pack.sh";
    WriteFile(scriptPath, script);
    return ShellStatus("/bin/sh " + Quote(scriptPath)) == 0;
}

void WriteRecordingTool(const std::string& dir, const std::string& name,
                        const std::string& realTool, const std::string& log) {
    MakeDirs(dir);
    WriteFile(dir + "/" + name,
              "#!/bin/sh\necho \"$0 $*\" >> " + Quote(log) + "\nexec " + Quote(realTool) +
                  " \"$@\"\n",
              0755);
}

void WriteSlowGtar(const std::string& dir, const std::string& realTar, const std::string& log,
                   const std::string& marker, const std::string& slowly) {
    MakeDirs(dir);
    std::string script = "#!/bin/sh\ntar=" + Quote(realTar) + "\n";
    if (!log.empty()) script += "echo \"$0 $*\" >> " + Quote(log) + "\n";
    script += "case \"$*\" in *' -')\n  stream=\"$0.stream.$$\"\n  cat > \"$stream\"\n"
              "  if grep -q -a -F " +
              Quote(marker) + " \"$stream\"; then\n" + slowly +
              "\n  fi\n  exec \"$tar\" \"$@\" < \"$stream\";;\nesac\nexec \"$tar\" \"$@\"\n";
    WriteFile(dir + "/gtar", script, 0755);
}

std::string FindOnPath(const std::string& program) {
    const char* path = getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}
