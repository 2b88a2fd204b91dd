// Pipe_Comm_Handle: one non-blocking pipe end to a child process, polled without waiting.
// The handle owns the descriptor and closes it when deleted.
#pragma once

class Pipe_Comm_Handle {
public:
    explicit Pipe_Comm_Handle(int fd); // puts fd into non-blocking mode
    ~Pipe_Comm_Handle();
    Pipe_Comm_Handle(const Pipe_Comm_Handle&) = delete;
    Pipe_Comm_Handle& operator=(const Pipe_Comm_Handle&) = delete;

    bool IsAlive() const { return alive_; }
    // True when a zero-timeout poll finds the descriptor readable (data or end of file).
    bool IsDataOnPipe() const;
    // Reads at most size - 1 bytes and terminates them. True with *count 0 when nothing
    // is there yet; false (and no longer alive) at end of file or on an error.
    bool readFromHandle(int* count, char* buffer, int size);
    // True when written or when it would block (*count 0); false on any other failure,
    // a reader that has gone away included (that costs no SIGPIPE).
    bool writeToHandle(int* count, const char* buffer, int length);
    int getPipeFd() const { return fd_; }

private:
    int fd_;
    bool alive_;
};
