#pragma once

#include "mail/FailureRemedy.h"
#include "platform/Socket.h"
#include "pop3/RunState.h"

#include <QString>

namespace mervantic {

// How the conversation with the current account ended: every message read, or what went wrong
// in words a user can act on. The first thing that went wrong is the one told; once every
// message was read, nothing that happens on the way out (a refused QUIT, a close) is a failure.
struct AccountOutcome {
    bool complete = false;
    QString failure;
    // What would mend the failure, offered on its row.
    Remedy remedy = Remedy::CheckAgain;

    void reset() {
        complete = false;
        failure.clear();
        remedy = Remedy::CheckAgain;
    }
    void fail(const QString& why, Remedy mend = Remedy::CheckAgain) {
        if (failure.isEmpty() && !complete) {
            failure = why;
            remedy = mend;
        }
    }
    bool failed() const { return !failure.isEmpty(); }
};

// What went wrong, in plain words, for the failure row and the log.
namespace AccountFailure {

// A connection that could not be made or broke: nothing listens there, no such host, no way to
// it, a reset, a secure connection that could not be set up.
QString ofConnection(Socket::Failure kind, const QString& description, const QString& server,
                     int port);
// What the user can do about a certificate the handshake refused, after the reason.
QString certificateAdvice(Socket::CertificateTrouble trouble, const QByteArray& presented);
// Whether trusting the certificate would let the next connection through.
bool trustCanHelp(Socket::CertificateTrouble trouble);
// No answer within the time-out, while connecting (the TLS handshake included) or conversing.
QString connectTimedOut(const QString& server, int seconds, bool handshaking);
QString noAnswer(int seconds);
// Not a byte since the connection, on a port other than 110: it may expect TLS from the start.
QString noGreeting(int seconds, int port);
// A message reply that came slower than `leastBytes` in a time-out, or past the longest one
// taken without its end; a one-line reply not complete within the time-out.
QString replyTooSlow(int seconds, qint64 leastBytes);
QString replyTooLong(qint64 longestBytes);
QString lineTooSlow(int seconds);
QString closedByServer();
// No connection was made: the account's security is not known (`why` names the file and why).
QString securityUnknown(const QString& why);
// What a refusal at this step means to the user, before the server's own words.
QString refusedAt(Step step);
// What would mend it: another password for a refused log-on, another security for a refused
// STARTTLS, else another try.
Remedy remedyOfRefusal(Step step);
// What to do when the server refused an access token (expired early, or revoked with the
// sign-in): check again, and sign in again if the provider will not renew it.
QString tokenRefusedAdvice(const QString& provider);
// The server's own words of a refusal, without their "-ERR".
QString serverText(const QString& replyLine);

} // namespace AccountFailure

} // namespace mervantic
