// Feeds bytes to the installer's inflate front end as one archive file. An odd first byte
// passes the rest through as the file; an even one builds gzip members of the rest with
// ISA-L's deflate and then damages them as the next bytes say (truncation, a flipped byte,
// padding, garbage), so that inflate reaches deep into real streams. Every file must give
// an answer, never a crash or a hang; the same answer (and, unless damaged, the same stream)
// whether it is fed whole, in small pieces or through the pipeline; and an undamaged build
// must give back its input.
#include <isa-l/igzip_lib.h>
#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "setup/engine/gzip_inflater.h"
#include "setup/engine/inflate_pipeline.h"
#include "tests/setup/engine/inflate_in_pieces.h"

namespace {

void Check(bool holds, const char* what) {
    if (holds) return;
    fprintf(stderr, "fuzz_inflate: %s\n", what);
    abort();
}

// One gzip member of `payload`, made by ISA-L.
std::string Member(const std::string& payload) {
    std::vector<unsigned char> out(payload.size() * 2 + 1024);
    isal_zstream stream;
    isal_deflate_init(&stream);
    stream.gzip_flag = IGZIP_GZIP;
    stream.end_of_stream = 1;
    stream.next_in = reinterpret_cast<uint8_t*>(const_cast<char*>(payload.data()));
    stream.avail_in = static_cast<uint32_t>(payload.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uint32_t>(out.size());
    Check(isal_deflate(&stream) == COMP_OK && stream.internal_state.state == ZSTATE_END,
          "deflate did not finish");
    return std::string(reinterpret_cast<char*>(out.data()), stream.total_out);
}

// Members of the payload, then the damage the control bytes ask for. *intact says whether
// the file still must inflate to the payload.
std::string Build(const uint8_t* control, const std::string& payload, bool* intact) {
    size_t members = 1 + control[0] % 3, at = 0;
    std::string file;
    for (size_t m = 0; m < members; m++) {
        size_t end = m + 1 == members ? payload.size() : at + (payload.size() - at) / 2;
        file += Member(payload.substr(at, end - at));
        at = end;
    }
    file += std::string(control[1] % 4 == 0 ? control[1] : 0, '\0');
    *intact = true;
    if (control[2] & 1) file.resize(file.size() * control[3] / 256), *intact = false;
    if ((control[2] & 2) && !file.empty()) {
        file[(control[4] | control[5] << 8) % file.size()] ^= static_cast<char>(control[6] | 1);
        *intact = false;
    }
    if (control[2] & 4) file += static_cast<char>(control[6] | 1), *intact = false;
    return file;
}

// The file through the pipeline, taken as the engine takes it.
std::string scratchDir, path;

void RemoveScratch() {
    unlink(path.c_str());
    rmdir(scratchDir.c_str());
}

void ThroughPipeline(const std::string& file, const InflateOutcome& expected) {
    if (path.empty()) {
        const char* tmp = getenv("TMPDIR");
        scratchDir = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_inflate_XXXXXX";
        Check(mkdtemp(&scratchDir[0]) != nullptr, "no scratch directory");
        path = scratchDir + "/archive.tgz";
        atexit(RemoveScratch);
    }
    FILE* out = fopen(path.c_str(), "wb");
    Check(out && fwrite(file.data(), 1, file.size(), out) == file.size() && fclose(out) == 0,
          "cannot write the archive");
    InflatePipeline pipeline({path}, InflateLimits{1, 64 << 10, 32 << 10, 8 << 10});
    std::string error, message, stream;
    Check(pipeline.Start(&error), "the pipeline did not start");
    InflatePipeline::Piece piece;
    InflatePipeline::Step step;
    while ((step = pipeline.Next(&piece, &message)) == InflatePipeline::kPiece ||
           step == InflatePipeline::kNotYet) {
        if (step == InflatePipeline::kPiece) {
            stream.append(reinterpret_cast<const char*>(piece.data), piece.size);
            pipeline.Consumed(piece.size);
            continue;
        }
        pollfd wait = {pipeline.Descriptor(), POLLIN, 0};
        Check(poll(&wait, 1, 20000) == 1, "the pipeline hung");
    }
    Check((step == InflatePipeline::kEnded) == (expected.status == GzipInflater::kEnd),
          "the pipeline's answer differs");
    if (expected.status != GzipInflater::kCorrupt)
        Check(stream == expected.stream, "the pipeline's stream differs");
    if (expected.status == GzipInflater::kNotGzip)
        Check(message == path + ": not a gzip file", "wrong message for a file not gzip");
    const std::string corrupt = path + ": corrupt compressed data at byte ";
    if (expected.status == GzipInflater::kCorrupt) {
        Check(message.compare(0, corrupt.size(), corrupt) == 0, "wrong message for corrupt data");
        Check(std::stoull(message.substr(corrupt.size())) <= file.size(),
              "error offset beyond the file");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    const uint8_t* control = data;
    std::string rest(reinterpret_cast<const char*>(data + 8), size - 8);
    bool intact = false;
    std::string file = (control[0] & 1) ? rest : Build(control + 1, rest, &intact);

    static GzipInflater inflater;
    InflateOutcome whole = InflateInPieces(inflater, file, file.size() + 1, 1 << 16);
    Check(whole.status != GzipInflater::kNeedInput, "no answer");
    Check(whole.errorOffset <= file.size(), "error offset beyond the file");
    if (intact) Check(whole.status == GzipInflater::kEnd && whole.stream == rest, "round trip");
    // Where ISA-L notices damage, and how much it has written by then, depends on how much
    // input it sees at once; the answer itself does not.
    InflateOutcome cut =
        InflateInPieces(inflater, file, 1 + control[7] % 13, 1 + control[7] * 37 % 5000);
    Check(cut.status == whole.status, "the pieces the file is fed in change the answer");
    Check(cut.errorOffset <= file.size(), "error offset beyond the file");
    if (whole.status != GzipInflater::kCorrupt)
        Check(cut.stream == whole.stream, "the pieces the file is fed in change the stream");
    ThroughPipeline(file, whole);
    return 0;
}
