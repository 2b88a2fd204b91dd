// The process-wide whiteboard slot (see whiteboard.h). It stays empty unless a
// service-router proxy installs its whiteboard.
#include "xswitch/whiteboard.h"

namespace {

WhiteBoard* theWhiteBoard = nullptr;

} // namespace

WhiteBoard* WhiteBoard::getWhiteBoard() {
    return theWhiteBoard;
}

void WhiteBoard::setWhiteBoard(WhiteBoard* board) {
    theWhiteBoard = board;
}
