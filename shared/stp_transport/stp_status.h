// Status reporting of the message transport: every operation fills a TStat with a
// numeric code and one of the fixed texts below, so callers and logs see the same words
// whichever layer failed. Codes: 0 success, 1 failed or closed connection, 3 invalid
// request, 5 peer closed, 7 timed out.
#pragma once

enum STPStatusCode {
    kSTPOk = 0,
    kSTPFailed = 1,
    kSTPInvalid = 3,
    kSTPPeerClosed = 5,
    kSTPTimedOut = 7
};

// Every text the transport reports, indexed by STPText.
enum STPText {
    kTextNone,
    kTextUnableToResolve,
    kTextConnectFailed,
    kTextCouldNotBind,
    kTextCouldNotListen,
    kTextAcceptFailed,
    kTextAcceptTimedOut,
    kTextReadFailed,
    kTextPeerClosed,
    kTextInvalidPacket,
    kTextWriteFailed,
    kTextWriteTimedOut,
    kTextInvalidHeader,
    kTextNotConnected,
    kTextNullTransport,
    kTextResponseTimedOut,
    kTextSyncTimedOut,
    kTextNegotiateTimedOut,
    kTextSynchronizeTimedOut,
    kTextInterfaceTimedOut,
    kTextSendBeforeNegotiation,
    kTextUnsupportedMessage,
    kTextSendDown,
    kTextNegotiateDown,
    kTextClosedByCaller,
    kNumSTPTexts
};

const char* stpText(STPText which);

// The outcome of one operation; a default TStat is success.
struct TStat {
    int code = kSTPOk;
    const char* text = "";

    bool ok() const { return code == kSTPOk; }
    void set(int newCode, STPText which) {
        code = newCode;
        text = stpText(which);
    }
    void clear() { set(kSTPOk, kTextNone); }
};

// Copies `from` into `to` when `to` is not null: most operations take an optional TStat.
inline void stpReport(TStat* to, const TStat& from) {
    if (to) *to = from;
}
