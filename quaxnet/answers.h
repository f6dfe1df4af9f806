// The answers of the library's operations. The driver relies on 0, 3, 6, 9 and 14 and on 1 from
// the restart; every other non-zero answer is a failure to it.
#ifndef QUAXNET_ANSWERS_H_
#define QUAXNET_ANSWERS_H_

namespace quaxnet {

constexpr int kAnswerDone = 0;
constexpr int kAnswerInvalidArgument = 1;  // a null pointer, or a block or record not usable
constexpr int kAnswerUnknownHandle = 2;
constexpr int kAnswerBusy = 3;        // the connection is not established (yet)
constexpr int kAnswerNothingYet = 6;  // the answer is on its way
constexpr int kAnswerNoRequest = 8;   // nothing of that kind is outstanding
constexpr int kAnswerBroken = 9;      // refused, reset, closed, or a peer not understood
constexpr int kAnswerNoFreeConnection = 12;
constexpr int kAnswerLibraryClosed = 13;
constexpr int kAnswerResponsePending = 14;  // an earlier request is still outstanding
constexpr int kAnswerNetworkUnavailable = 15;

constexpr int kRestartDone = 1;  // the restart's own answer of success

// Status of an open that was accepted; the connection is then being established.
constexpr unsigned short kOpenStatusPending = 3;

}  // namespace quaxnet

#endif  // QUAXNET_ANSWERS_H_
