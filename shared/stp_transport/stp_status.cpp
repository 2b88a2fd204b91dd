// The fixed texts of the transport's status reports. The bracketed prefixes name the
// step that failed; peers and scripts match on these words, so they never change.
#include "shared/stp_transport/stp_status.h"

namespace {

const char* const kTexts[] = {
    "",
    "[connectToServer]: Unable to resolve host",
    "[connectToServer]: connect failed",
    "[getListenSocket]: Could not bind to port",
    "[getListenSocket]: Could not listen on socket",
    "[acceptConnection]: accept failed",
    "[acceptConnection]: timed out waiting for a connection",
    "[handleRead]: read failed, closing connection",
    "[handleRead]: peer has closed connection",
    "[handleRead]: remote host sent invalid packet",
    "[handleWrite]: write failed, closing connection",
    "[sendMessage]: timed out waiting to write",
    "[enqueueMessage]: invalid message header",
    "[sendMessage]: not connected",
    "[send]: null transport",
    "awaitResponse: timed out waiting for reply.",
    "awaitSync: timed out waiting for marker.",
    "awaitNegotiate: timed out waiting for reply.",
    "awaitSynchronize: timed out waiting for reply.",
    "requestInterface: timed out waiting for reply.",
    "Attempted send before negotiation is complete.",
    "[send]: sending a message the other side does not support",
    "[send]: virtual connection is down",
    "[sendNegotiate]: virtual connection is down",
    "[closeConnection]: connection closed",
};
static_assert(sizeof(kTexts) / sizeof(kTexts[0]) == kNumSTPTexts, "one text per STPText");

} // namespace

const char* stpText(STPText which) {
    if (which < 0 || which >= kNumSTPTexts) return "";
    return kTexts[which];
}
