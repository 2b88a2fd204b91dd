// Feeds bytes to the tar scanner in slices of a size the input chooses. With an odd first
// byte every 512-byte block gets a valid checksum first, so the fuzzer gets past the
// checksum to the header fields, extended headers and contents lengths. The scanner must
// never take more than it is given, always make progress until it reports an error, and
// name members the way the normaliser promises (relative, no empty or "." components).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "setup/engine/tar_members.h"

namespace {

void Check(bool condition) {
    if (!condition) abort();
}

void FixChecksums(std::string* stream) {
    for (size_t at = 0; at + 512 <= stream->size(); at += 512) {
        char* block = &(*stream)[at];
        unsigned sum = 0;
        for (size_t i = 0; i < 512; i++)
            sum += i >= 148 && i < 156 ? ' ' : static_cast<unsigned char>(block[i]);
        snprintf(block + 148, 8, "%06o", sum & 0777777);
        block[155] = ' ';
    }
}

bool WellFormed(const std::string& name) {
    if (name == ".") return true;
    if (name.empty() || name.front() == '/' || name.back() == '/') return false;
    return name.find("//") == std::string::npos && name.compare(0, 2, "./") != 0 &&
           name.find("/./") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    bool fix = data[0] & 1;
    size_t slice = 1 + data[1] * 37u;
    std::string stream(reinterpret_cast<const char*>(data + 2), size - 2);
    if (fix) FixChecksums(&stream);

    TarMemberScanner scanner;
    for (size_t at = 0; at < stream.size();) {
        size_t length = std::min(slice, stream.size() - at), used = 0;
        TarMemberScanner::Status status = scanner.Feed(stream.data() + at, length, &used);
        Check(used <= length);
        if (status == TarMemberScanner::kBad) {
            Check(!scanner.error().empty());
            break;
        }
        Check(used > 0);
        if (status == TarMemberScanner::kMember) Check(WellFormed(scanner.member().name));
        at += used;
    }
    std::string name;
    NormaliseTarName(stream.substr(0, 300), &name);
    Check(WellFormed(name));
    return 0;
}
