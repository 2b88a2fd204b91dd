// Checked standard I/O: wrappers that report a failed read, write or close with the file's
// name, and end the program when a file cannot be opened or a seek fails. Then the line
// readers (gen_afgets keeps the line end, gen_getline drops it) and whole-file reads.
#include "shared/gen_fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "shared/gen_fileops.h"
#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"

namespace {

constexpr int kGetlineStep = 250;     // gen_getline's buffer grows by this much
constexpr size_t kAfgetsFirst = 2048; // gen_afgets' first round; it doubles after that

// The name as messages show it: description 'name' when there is a description.
char* DecoratedName(const char* name, const char* description) {
    if (description == nullptr) return gen_copy(name != nullptr ? name : "");
    return gen_asprintf("%s '%s'", description, name != nullptr ? name : "");
}

// "input" when the first of r, w and a in the mode is r, "output" otherwise.
const char* Direction(const char* mode) {
    const char* letter = mode != nullptr ? strpbrk(mode, "rwa") : nullptr;
    return letter != nullptr && *letter == 'r' ? "input" : "output";
}

} // namespace

FILE* gen_safe_fopen(const char* name, const char* description, const char* mode) {
    FILE* stream = gen_fopen(name, mode);
    if (stream != nullptr) return stream;
    int saved = errno;
    char* shown = DecoratedName(name, description);
    errno = saved;
    // The message hook adds ": " and the system's text, completing "Unable to open %s for
    // %s: " with the reason.
    gen_perrorexit(1, "Unable to open %s for %s", shown, Direction(mode));
}

long gen_safe_fread(const char* name, void* buffer, size_t size, size_t count, FILE* stream) {
    if (buffer == nullptr) {
        gen_error("internal: null buffer passed to gen_safe_fread");
        return -1;
    }
    size_t got = fread(buffer, size, count, stream);
    if (got < 1) {
        if (name != nullptr) {
            gen_perror("Error reading from '%s'", name);
        } else {
            gen_perror("Error reading from file");
        }
    }
    return static_cast<long>(got);
}

void* gen_safe_readbytes(const char* name, FILE* stream, void* buffer, size_t size) {
    if (buffer == nullptr) buffer = gen_alloc(1, size);
    // One item of size bytes: a short read is a failed read.
    gen_safe_fread(name, buffer, size, 1, stream);
    return buffer;
}

size_t gen_safe_fwrite(const char* name, const void* buffer, size_t size, size_t count,
                       FILE* stream) {
    size_t put = fwrite(buffer, size, count, stream);
    if (put < count) {
        if (name != nullptr) {
            gen_perror("Error writing to '%s'", name);
        } else {
            gen_perror("Error writing to file");
        }
    }
    return put;
}

int gen_safe_fseek(const char* name, FILE* stream, long offset, int whence) {
    int result = fseek(stream, offset, whence);
    if (result != 0) {
        if (name != nullptr) gen_perrorexit(1, "seek failed to %ld in '%s'", offset, name);
        gen_perrorexit(1, "seek failed to %ld in file", offset);
    }
    return result;
}

int gen_safe_fclose(const char* name, const char* description, FILE* stream) {
    int result = EOF;
    if (stream != nullptr) {
        result = fclose(stream);
    } else {
        errno = EBADF;
    }
    if (result != 0) {
        int saved = errno;
        char* shown = DecoratedName(name, description);
        errno = saved;
        gen_perror("Error closing %s", shown); // the hook adds ": " and the reason
        gen_free(shown);
    }
    return result;
}

char* gen_afgets(FILE* stream) {
    if (stream == nullptr) return nullptr;
    char* buffer = nullptr;
    size_t room = 0;
    size_t used = 0;
    for (;;) {
        room = room == 0 ? kAfgetsFirst : room * 2;
        buffer = static_cast<char*>(gen_realloc(buffer, static_cast<long>(room)));
        // The marked byte stays 0 unless fgets filled the room up to it; then a line feed
        // there means the line ended exactly at the edge, anything else that it goes on.
        buffer[room - 2] = '\0';
        if (fgets(buffer + used, static_cast<int>(room - used), stream) == nullptr) {
            buffer[used] = '\0';
            break;
        }
        if (buffer[room - 2] == '\0' || buffer[room - 2] == '\n') break;
        used = room - 1;
    }
    // Lines are kept by callers; hand back only what the line needs.
    return static_cast<char*>(gen_realloc(buffer, static_cast<long>(strlen(buffer) + 1)));
}

char* gen_getline(FILE* stream, char** buffer, int* capacity) {
    if (stream == nullptr || buffer == nullptr || capacity == nullptr) return nullptr;
    int length = 0;
    bool readAny = false;
    int c;
    while ((c = getc(stream)) != EOF) {
        readAny = true;
        if (c == '\n') break;
        if (c == '\r') {
            // Whatever follows a carriage return belongs to the line end.
            getc(stream);
            break;
        }
        if (length + 1 >= *capacity) {
            *capacity += kGetlineStep;
            *buffer = static_cast<char*>(gen_realloc(*buffer, *capacity));
        }
        (*buffer)[length++] = static_cast<char>(c);
    }
    if (!readAny) return nullptr;
    if (length + 1 > *capacity) {
        *capacity += kGetlineStep;
        *buffer = static_cast<char*>(gen_realloc(*buffer, *capacity));
    }
    (*buffer)[length] = '\0';
    return *buffer;
}

long gen_getfile(const char* name, char* buffer, long length) {
    int fd = gen_open(name, O_RDONLY);
    if (fd < 0) return -1;
    ssize_t got = read(fd, buffer, static_cast<size_t>(length));
    int saved = errno;
    close(fd);
    errno = saved;
    return static_cast<long>(got);
}

int gen_readfile_into_buffer(const char* name, char** buffer, long* size) {
    if (buffer == nullptr) {
        errno = EINVAL;
        return -1;
    }
    int fd = gen_open(name, O_RDONLY);
    if (fd < 0) return -1;
    struct stat status;
    // The size on disk is only a first guess: some files report 0 and still have text.
    // Room for the whole file, the terminator and one more byte lets the read that finds
    // the end of the file happen without growing the block.
    size_t room = fstat(fd, &status) == 0 && status.st_size > 0
                      ? static_cast<size_t>(status.st_size) + 2
                      : 4096;
    char* data = static_cast<char*>(malloc(room));
    size_t used = 0;
    for (;;) {
        if (data != nullptr && used + 1 >= room) {
            room *= 2;
            char* grown = static_cast<char*>(realloc(data, room));
            if (grown == nullptr) free(data);
            data = grown;
        }
        if (data == nullptr) {
            close(fd);
            errno = ENOMEM;
            return -1;
        }
        ssize_t got = read(fd, data + used, room - used - 1);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            int saved = errno;
            free(data);
            close(fd);
            errno = saved;
            return -1;
        }
        used += static_cast<size_t>(got);
    }
    close(fd);
    data[used] = '\0'; // a terminator past the data, for callers that treat it as text
    *buffer = data;
    if (size != nullptr) *size = static_cast<long>(used);
    return 0;
}

bool gen_write_all(int fd, const void* data, size_t length) {
    const char* at = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t written = write(fd, at, length);
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) errno = EIO; // nothing written and no reason given
        if (written <= 0) return false;
        at += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}
