// Builds a distribution directory for tests with the real tar and gzip: declare what it
// holds (host archives, install-type markers, target directories, items of the "bsp" and
// "addon" sets, a version file), then call Build() once, which packs every archive
// declared since the last Build in one shell run. Start with DistFixture and DistItem.
#pragma once

#include <string>
#include <vector>

// One file inside an archive, by its path below the archive's root ("foo/readme.txt").
struct DistFile {
    std::string path;
    std::string contents;
    int mode = 0644;
};
typedef std::vector<DistFile> DistFiles;

// Where an item keeps its description and dependency members inside its archive.
enum class MemberForm {
    InDirectory, // "./N/readme.txt", "./N/depends.txt"
    Flat         // "./readme_N.txt", "./depends_N.txt"
};

// One archive of an item: <target>/<host>_<kind>_<name><part>.tgz.
struct DistItem {
    std::string kind = "bsp"; // "bsp" or "addon"
    std::string name;         // N
    std::string target = "alltargets";
    std::string host = "linux86";
    std::string part;      // "", "_tools" or "_docs"
    bool hasReadme = true; // whole file contents in `readme`
    std::string readme;
    bool hasDepends = false; // whole file contents in `depends`
    std::string depends;
    MemberForm form = MemberForm::InDirectory;
    DistFiles extra; // further members

    // The archive's path below the distribution root.
    std::string ArchivePath() const;
};

// An item with a one-line description ("<description>\n") and, when given, one
// dependency name a line.
DistItem Bsp(const std::string& name, const std::string& description,
             const std::vector<std::string>& depends = {});
DistItem Addon(const std::string& name, const std::string& description,
               const std::vector<std::string>& depends = {});

class DistFixture {
public:
    explicit DistFixture(const std::string& root); // creates root (and its parents)

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }

    // info/version.txt with exactly these contents.
    DistFixture& Version(const std::string& contents);
    // alltargets/<host>_tools.tgz: marks the host as having tools.
    DistFixture& HostTools(const std::string& host, const DistFiles& files = {});
    // alltargets/<host>_docs.tgz.
    DistFixture& HostDocs(const std::string& host, const DistFiles& files = {});
    // The marker archive of an install type: "ide" alltargets/allhosts_tools.tgz, "blw"
    // alltargets/<host>_bsp_blw_always_tools.tgz, "vstartd" alltargets/<host>_part_vstartd.tgz.
    DistFixture& InstallType(const std::string& type, const std::string& host = "unix");
    // An empty target directory.
    DistFixture& Target(const std::string& target);
    // Any archive, by its path below the root ("ppc/linux86_tools.tgz").
    DistFixture& Archive(const std::string& relative, const DistFiles& files = {});
    DistFixture& Item(const DistItem& item);
    // A plain file below the root.
    DistFixture& File(const std::string& relative, const std::string& contents, int mode = 0644);

    // The usual small distribution: linux86 tools, the "ide" type and a "ppc" target with
    // linux86 tools and docs.
    DistFixture& Basic();

    // Packs the archives declared since the last call; false when tar or gzip failed.
    bool Build();

private:
    struct PendingArchive {
        std::string relative;
        DistFiles files;
    };
    std::string root_;
    std::vector<PendingArchive> pending_;
};

// Writes an executable script `dir/name` that appends its command line ("$0 $*") as one
// line to `log` and then runs `realTool` with the same arguments.
void WriteRecordingTool(const std::string& dir, const std::string& name,
                        const std::string& realTool, const std::string& log);
// Writes an executable script `dir/gtar` that stands in for gtar: it appends its command
// line to `log` (unless empty) and runs `realTar` with the same arguments. When it reads a
// tar stream on its standard input ("... -") that holds `marker` (a member's name), it
// runs the shell commands `slowly` instead, which find the stream in the file "$stream"
// (kept beside the script) and the real tar in "$tar".
void WriteSlowGtar(const std::string& dir, const std::string& realTar, const std::string& log,
                   const std::string& marker, const std::string& slowly);
// The path of a program on PATH, or "" (for the real tar and gzip).
std::string FindOnPath(const std::string& program);
