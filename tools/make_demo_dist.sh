#!/bin/sh
# Makes the demo distribution that the build puts beside the installer (bin/dist): small
# but complete, with host tools and docs, the "ide" install type, three target
# directories, board-support packages and additional items, and online-help archives
# installed by a helpInstall script. Usage: make_demo_dist.sh OUTPUT_DIR
set -eu

out=${1:?usage: make_demo_dist.sh OUTPUT_DIR}
host=linux86
stage=$(mktemp -d "${TMPDIR:-/tmp}/vt_demo_XXXXXX")
trap 'rm -rf "$stage"' EXIT
rm -rf "$out"
mkdir -p "$out/info" "$out/alltargets"

# archive RELATIVE_PATH: packs $stage/content (members read "./...") into $out/RELATIVE_PATH.
archive() {
    mkdir -p "$(dirname "$out/$1")"
    tar -C "$stage/content" -czf "$out/$1" .
    rm -rf "$stage/content"
}
# put PATH TEXT: one file of the archive being prepared.
put() {
    mkdir -p "$(dirname "$stage/content/$1")"
    printf '%s\n' "$2" > "$stage/content/$1"
}
# item TARGET KIND NAME FORM DESCRIPTION [DEPENDENCY...]: an item archive; FORM "dir"
# stores ./N/readme.txt, "flat" ./readme_N.txt; an empty DESCRIPTION leaves no readme.
item() {
    target=$1 kind=$2 name=$3 form=$4 description=$5
    shift 5
    if [ "$form" = dir ]; then readme=$name/readme.txt depends=$name/depends.txt
    else readme=readme_$name.txt depends=depends_$name.txt; fi
    [ -n "$description" ] && put "$readme" "$description"
    if [ $# -gt 0 ]; then
        put "$depends" "# items installed with $name"
        for dependency in "$@"; do printf '%s\n' "$dependency" >> "$stage/content/$depends"; done
    fi
    put "share/veltrane/$kind/$name/CONTENTS" "Demo payload of the $kind item $name."
    archive "$target/${host}_${kind}_${name}.tgz"
}

# Host tools: the help installer and the help archives at the top of the tree.
put bin/vt-version "Veltrane Toolchain 4.2 for x86 Linux hosts"
for manual in getting_started reference; do
    mkdir -p "$stage/help/$manual"
    printf '<html><body><h1>%s</h1><p>Demo manual.</p></body></html>\n' "$manual" \
        > "$stage/help/$manual/index.html"
    mkdir -p "$stage/content/manuals"
    tar -C "$stage/help" -czf "$stage/content/manuals/$manual.tar.gz" "$manual"
done
cat > "$stage/content/helpInstall" <<'SCRIPT'
#!/bin/sh
# Installs one online-help archive:
#   helpInstall [-gtar GTAR] [-gzip GZIP] [-noverbose] HELP_DIR ARCHIVE
gtar=tar gzip=gzip
while [ $# -gt 0 ]; do
    case $1 in
    -gtar) gtar=$2; shift 2 ;;
    -gzip) gzip=$2; shift 2 ;;
    -noverbose) shift ;;
    *) break ;;
    esac
done
dir=${1:?usage: helpInstall [-gtar G] [-gzip Z] [-noverbose] HELP_DIR ARCHIVE}
archive=${2:?usage: helpInstall [-gtar G] [-gzip Z] [-noverbose] HELP_DIR ARCHIVE}
"$gzip" -dc "$archive" | (cd "$dir" && "$gtar" -xf -) || exit 1
echo "Installed online help from $archive."
echo "helpInstall: the search index of $dir is built when the help is first opened." >&2
SCRIPT
chmod 755 "$stage/content/helpInstall"
archive "alltargets/${host}_tools.tgz"
put doc/README.txt "Veltrane Toolchain 4.2: host documentation (demo)."
archive "alltargets/${host}_docs.tgz"

# The "ide" install type and what it shares across hosts.
put share/veltrane/ide/ide.conf "workspace=default"
archive "alltargets/allhosts_tools.tgz"
put doc/ide/README.txt "The integrated development environment (demo)."
archive "alltargets/allhosts_docs.tgz"

for target in ppc mips arm; do
    put "$target/bin/$target-cc" "Cross compiler for $target (demo)."
    archive "$target/${host}_tools.tgz"
    put "doc/$target/README.txt" "Tools for $target: documentation (demo)."
    archive "$target/${host}_docs.tgz"
    put "doc/$target/ABI.txt" "Application binary interface of $target (demo)."
    archive "$target/allhosts_docs.tgz"
done

item ppc bsp evb603 dir "PowerPC 603 evaluation board"
item mips bsp malta flat "Support for the MIPS [Malta Development Board]"
item arm bsp armboard dir "ARM reference board" bsp_armcore
item arm bsp armcore flat "ARM core support library" bsp_armcommon
item alltargets bsp armcommon dir "ARM common startup code"
item ppc bsp internal dir ""
item alltargets addon flashtool flat "Flash programming utility"
item alltargets addon examples dir "Example projects" bsp_evb603
put doc/examples/README.txt "How to build the example projects (demo)."
archive "alltargets/${host}_addon_examples_docs.tgz"

# Written last: the build takes this file as the sign of a complete distribution.
printf '%s\n' "Veltrane Toolchain 4.2 (demo distribution)" > "$out/info/version.txt"
