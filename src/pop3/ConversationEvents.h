#pragma once

#include <QByteArrayView>

#include <cstdint>

namespace mervantic {

// What the conversation does once a message has been read whole.
enum class AfterMessage { ReadNext, SendDele, SendQuit };

// A message read whole: its reply without status line and final ".", ending with the CR LF of
// its last line; its number on the server; and whether it was cut at the most the program keeps
// of one message.
struct ReadMessage {
    QByteArrayView text;
    std::int32_t number = 0;
    bool cut = false;
};

// What a conversation reports to the run that drives it: the run owns the counts and the list,
// the conversation only talks to the server.
class ConversationEvents {
public:
    // STAT reported an empty mailbox.
    virtual void mailboxEmpty() = 0;
    // A message was read whole.
    virtual AfterMessage messageRead(const ReadMessage& message) = 0;
    // More messages wait on the server; false ends the conversation with QUIT.
    virtual bool wantsMoreMessages() = 0;
    // A cancel was found once a message was complete: the conversation ends with QUIT and the
    // run's list is emptied.
    virtual void cancelledAfterMessage() = 0;
    // The server accepted a DELE; false when the run wants no more messages of this account.
    virtual bool deleteAccepted() = 0;
    // The server accepted QUIT: what it was asked to delete is gone now (RFC 1939's UPDATE
    // state), and only now.
    virtual void quitAccepted() = 0;

protected:
    ~ConversationEvents() = default;
};

} // namespace mervantic
