// Inflating a whole gzip file through the front end in pieces of chosen sizes: what the
// unit tests and the inflate fuzz target both compare.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "setup/engine/gzip_inflater.h"

struct InflateOutcome {
    std::string stream;
    GzipInflater::Status status = GzipInflater::kNeedInput;
    uint64_t errorOffset = 0;
};

// Feeds `file` in pieces of `feed` bytes and takes the stream in pieces of `room`.
inline InflateOutcome InflateInPieces(GzipInflater& inflater, const std::string& file, size_t feed,
                                      size_t room) {
    inflater.Restart();
    InflateOutcome outcome;
    std::vector<unsigned char> out(room);
    size_t fed = 0;
    for (;;) {
        size_t written = 0;
        GzipInflater::Status status = inflater.Inflate(out.data(), room, &written);
        outcome.stream.append(reinterpret_cast<const char*>(out.data()), written);
        if (status == GzipInflater::kOutputFull) continue;
        if (status != GzipInflater::kNeedInput) {
            outcome.status = status;
            outcome.errorOffset = inflater.ErrorOffset();
            return outcome;
        }
        size_t size = std::min(feed, file.size() - fed);
        if (size == 0) inflater.FeedEnd();
        if (size > 0)
            inflater.Feed(reinterpret_cast<const unsigned char*>(file.data()) + fed, size);
        fed += size;
    }
}
