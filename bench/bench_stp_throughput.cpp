// Message throughput over loopback TCP: one thread sends binary messages through an
// STPTransport while another receives them through a second one, against the same bytes
// written and read raw on a loopback socket pair. Prints MB/s for both and their ratio,
// for 64-byte and 64 KiB bodies. Run by hand: bench_stp_throughput [scale]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "shared/stp_transport/stp_transport.h"

namespace {

// Waits as long as it takes: the benchmark measures, it does not time out.
class Patient : public RetryHandler {
public:
    bool retry(STPTransport*) override { return true; }
};

class Counter : public STPMessageListener {
public:
    bool handleMessage(STPTransport*, STPIMsg* msg, bool) override {
        count++;
        bytes += msg->bodyLength();
        return true;
    }
    long count = 0;
    long long bytes = 0;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A body of exactly `bodySize` bytes: one byte array and the terminating zero word.
STPBinaryOMsg* BuildMessage(STPTransport* t, const std::vector<char>& payload) {
    STPBinaryOMsg* msg = t->createBinaryMessage(1, 2, kSTPClassBinary, 1, 0);
    msg->putArray(1, payload.data(), static_cast<int>(payload.size()), 1, false);
    return msg;
}

double RunTransport(size_t bodySize, long messages) {
    STPTransport* server = new STPTransport;
    STPTransport* client = new STPTransport;
    TStat stat;
    Patient patient;
    if (!server->listen(0, nullptr, &stat) ||
        !client->connect("127.0.0.1", server->localPort(), &stat) ||
        !server->acceptConnection(&patient, &stat)) {
        fprintf(stderr, "setup failed: %s\n", stat.text);
        exit(1);
    }
    Counter counter;
    server->registerMessageListener(&counter, 1, 2, kSTPClassBinary);
    std::vector<char> payload(bodySize - 12, 'p');

    auto start = std::chrono::steady_clock::now();
    std::thread sender([&] {
        Patient retry;
        for (long i = 0; i < messages; i++) {
            STPBinaryOMsg* msg = BuildMessage(client, payload);
            client->sendMessage(msg, &retry, nullptr);
            delete msg;
        }
    });
    while (counter.count < messages && !server->isClosed()) server->pollOnce(100);
    double elapsed = Seconds(start);
    sender.join();
    if (counter.bytes != static_cast<long long>(bodySize) * messages)
        fprintf(stderr, "lost bytes: %lld of %lld\n", counter.bytes,
                static_cast<long long>(bodySize) * messages);
    client->delRef();
    server->delRef();
    return static_cast<double>(bodySize + kSTPHeaderSize) * messages / elapsed / 1e6;
}

void RawPair(int* a, int* b) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(listener, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) < 0 ||
        listen(listener, 1) < 0 ||
        getsockname(listener, reinterpret_cast<struct sockaddr*>(&addr), &len) < 0) {
        perror("raw setup");
        exit(1);
    }
    *a = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(*a, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) < 0) {
        perror("raw connect");
        exit(1);
    }
    *b = accept(listener, nullptr, nullptr);
    int on = 1;
    setsockopt(*a, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(*b, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    close(listener);
}

double RunRaw(size_t bodySize, long messages) {
    int writer = -1;
    int reader = -1;
    RawPair(&writer, &reader);
    std::vector<char> framed(kSTPHeaderSize + bodySize, 'p');
    long long total = static_cast<long long>(framed.size()) * messages;

    auto start = std::chrono::steady_clock::now();
    std::thread sender([&] {
        for (long i = 0; i < messages; i++) {
            size_t done = 0;
            while (done < framed.size()) {
                ssize_t n = write(writer, framed.data() + done, framed.size() - done);
                if (n <= 0) return;
                done += static_cast<size_t>(n);
            }
        }
    });
    std::vector<char> buffer(65536);
    long long got = 0;
    while (got < total) {
        ssize_t n = read(reader, buffer.data(), buffer.size());
        if (n <= 0) break;
        got += n;
    }
    double elapsed = Seconds(start);
    sender.join();
    close(writer);
    close(reader);
    return static_cast<double>(total) / elapsed / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Alternates the two runs and reports medians: loopback figures swing with machine load.
void Compare(const char* label, size_t bodySize, long messages) {
    const int kRuns = 5;
    std::vector<double> stp, raw;
    for (int i = 0; i < kRuns; i++) {
        stp.push_back(RunTransport(bodySize, messages));
        raw.push_back(RunRaw(bodySize, messages));
    }
    double s = Median(stp);
    double r = Median(raw);
    printf("%-14s %8ld messages  stp %9.1f MB/s  raw %9.1f MB/s  ratio %.2f  (median of %d)\n",
           label, messages, s, r, s / r, kRuns);
}

} // namespace

int main(int argc, char** argv) {
    double scale = argc > 1 ? atof(argv[1]) : 1.0;
    if (scale <= 0) scale = 1.0;
    Compare("64-byte body", 64, static_cast<long>(200000 * scale));
    Compare("64 KiB body", 65536, static_cast<long>(3000 * scale));
    return 0;
}
