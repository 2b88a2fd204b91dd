// Archive bytes built from the format's rules alone, independently of the writer: every
// word little-endian, identifiers with their first character most significant (so they
// appear reversed on disk), odd chunks followed by a zero pad byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

inline std::string Le32(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}
inline std::string Id(const char* id) {
    return {id[3], id[2], id[1], id[0]};
}
inline std::string Chunk(const char* id, const std::string& data) {
    return Id(id) + Le32(data.size()) + data + std::string(data.size() % 2, '\0');
}
inline std::string Group(const char* id, const char* subtype, const std::string& body) {
    return Chunk(id, Id(subtype) + body);
}
inline std::string FileForm(const std::string& name, const std::string& info, uint32_t mode,
                            const std::string& contents) {
    return Group("FORM", "VTF ",
                 Chunk("VTFI", info) + Chunk("VTFN", name) + Chunk("VTFP", Le32(mode)) +
                     Chunk("VTFC", contents));
}
inline std::string PatchBytes(const std::string& info, const std::string& fileForms) {
    return Group("FORM", "VTA ", Chunk("VTAI", info) + fileForms);
}

// A real temporary file holding bytes, positioned at its start.
inline FILE* FileWith(const std::string& bytes) {
    FILE* file = tmpfile();
    fwrite(bytes.data(), 1, bytes.size(), file);
    rewind(file);
    return file;
}
inline std::string FileBytes(FILE* file) {
    std::string bytes;
    rewind(file);
    for (int c; (c = fgetc(file)) != EOF;) bytes += static_cast<char>(c);
    return bytes;
}
