// Pipe_Comm_Handle: one pipe end to a child, polled without ever blocking the caller.
// readFromHandle is the heart of it: "nothing yet" and "the child is gone" must never be
// confused, because the install engine stops polling the first time a read gives false.
#include "shared/libcxxutil/ut_pipe.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

namespace {

bool isTransient(int err) {
    return err == EAGAIN || err == EWOULDBLOCK || err == EINTR;
}

} // namespace

Pipe_Comm_Handle::Pipe_Comm_Handle(int fd) : fd_(fd), alive_(true) {
    int flags = fcntl(fd_, F_GETFL, 0);
    if (flags != -1) fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
}

Pipe_Comm_Handle::~Pipe_Comm_Handle() {
    if (fd_ >= 0) close(fd_);
}

bool Pipe_Comm_Handle::IsDataOnPipe() const {
    // poll rather than select: a descriptor number past FD_SETSIZE must still work.
    struct pollfd watched = {fd_, POLLIN, 0};
    if (fd_ < 0 || poll(&watched, 1, 0) <= 0) return false;
    return (watched.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

bool Pipe_Comm_Handle::readFromHandle(int* count, char* buffer, int size) {
    *count = 0;
    if (!alive_) return false;
    if (size < 2) {
        // No room for a byte and its terminator: that is "nothing read", not the end.
        if (size == 1) buffer[0] = '\0';
        return true;
    }
    ssize_t got = read(fd_, buffer, size - 1);
    if (got < 0 && isTransient(errno)) return true;
    if (got > 0) {
        buffer[got] = '\0';
        *count = static_cast<int>(got);
        return true;
    }
    alive_ = false;
    return false;
}

bool Pipe_Comm_Handle::writeToHandle(int* count, const char* buffer, int length) {
    *count = 0;
    if (!alive_) return false;
    if (length <= 0) return true;
    // A child that has gone away must cost us a failed write, not the broken-pipe trap
    // that ends the program: ignore SIGPIPE for the length of this one write.
    struct sigaction ignore = {}, saved = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &saved);
    ssize_t put = write(fd_, buffer, length);
    int err = errno;
    sigaction(SIGPIPE, &saved, nullptr);
    if (put >= 0) {
        *count = static_cast<int>(put);
        return true;
    }
    if (isTransient(err)) return true;
    alive_ = false;
    return false;
}
