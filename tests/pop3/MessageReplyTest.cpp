#include "pop3/MessageReply.h"

#include <gtest/gtest.h>

namespace mervantic {
namespace {

const QByteArray kReply = "+OK 120 octets\r\n"
                          "From: a@example.org\r\n"
                          "Subject: dots\r\n"
                          "\r\n"
                          "..\r\n" // a body line of one "." is stuffed by the server
                          "...x\r\n"
                          ".\r\n";
const QByteArray kBody = "From: a@example.org\r\nSubject: dots\r\n\r\n..\r\n...x\r\n";

TEST(MessageReply, IsCompleteOnlyAtTheTerminatorWhereverThePiecesAreCut) {
    for (qsizetype cut = 1; cut < kReply.size(); ++cut) {
        MessageReply reply;
        reply.append(QByteArrayView(kReply).first(cut));
        EXPECT_FALSE(reply.isComplete()) << cut;
        reply.append(QByteArrayView(kReply).sliced(cut));
        ASSERT_TRUE(reply.isComplete()) << cut;
        EXPECT_EQ(reply.body(), kBody) << cut;
    }
}

TEST(MessageReply, ByteByByteGivesTheSameBody) {
    MessageReply reply;
    for (qsizetype i = 0; i < kReply.size(); ++i) {
        EXPECT_FALSE(reply.isComplete()) << i;
        reply.append(QByteArrayView(kReply).sliced(i, 1));
    }
    ASSERT_TRUE(reply.isComplete());
    EXPECT_EQ(reply.body(), kBody);
}

TEST(MessageReply, HandlesEmptyMessagesAndIgnoresBytesAfterTheTerminator) {
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"+OK\r\n.\r\n", ""},
        {"+OK\r\nA: b\r\n.\r\n", "A: b\r\n"},
        {"+OK\r\nA: b\r\n.\r\n+OK junk\r\n", "A: b\r\n"},
    };
    for (const auto& [bytes, body] : cases) {
        MessageReply reply;
        reply.append(bytes);
        ASSERT_TRUE(reply.isComplete()) << bytes.toStdString();
        EXPECT_EQ(reply.body(), body) << bytes.toStdString();
    }
}

TEST(MessageReply, JudgesTheStatusLineOnceItIsWhole) {
    MessageReply reply;
    reply.append("-E");
    EXPECT_FALSE(reply.statusLineComplete());
    reply.append("RR no such message\r");
    EXPECT_FALSE(reply.statusLineComplete());
    reply.append("\n");
    EXPECT_TRUE(reply.statusLineComplete());
    EXPECT_TRUE(reply.startsWith("-ERR"));

    MessageReply endless;
    endless.append(QByteArray(MessageReply::kStatusLineLimit, 'x'));
    EXPECT_TRUE(endless.statusLineComplete());
}

TEST(MessageReply, AHugeMessageKeepsOnlyItsHeadAndStillEnds) {
    MessageReply reply;
    reply.append("+OK\r\nSubject: big\r\n\r\n");
    const QByteArray line(1023, 'x');
    const QByteArray chunk = (line + "\n").repeated(64); // 64 KiB, one LF-ended line at a time
    for (int i = 0; i < 3200; ++i) {                     // 200 MiB
        reply.append(chunk);
        ASSERT_LE(reply.keptBytes(), MessageReply::kDefaultKeepLimit);
    }
    EXPECT_FALSE(reply.isComplete());
    EXPECT_TRUE(reply.isTruncated());
    reply.append(".\r\n");
    ASSERT_TRUE(reply.isComplete());
    EXPECT_EQ(reply.totalBytes(), 200LL * 1024 * 1024 + 21 + 3);
    EXPECT_TRUE(reply.body().startsWith("Subject: big\r\n\r\nxxx"));
    EXPECT_LE(reply.body().size(), MessageReply::kDefaultKeepLimit);
}

TEST(MessageReply, FindsATerminatorSplitAcrossTheKeepLimit) {
    for (qsizetype before = 0; before < 6; ++before) {
        MessageReply reply(32);
        reply.append("+OK\r\n" + QByteArray(32 - 5 - before, 'y') + "\r");
        reply.append("\n");
        reply.append(".");
        reply.append("\r");
        reply.append("\n");
        EXPECT_TRUE(reply.isComplete()) << before;
        EXPECT_LE(reply.keptBytes(), 32) << before;
    }
}

} // namespace
} // namespace mervantic

namespace mervantic {
namespace {

TEST(MessageReply, TakingOverABufferGivesTheSameReplyAsCopyingIt) {
    const QByteArray cases[] = {kReply, "+OK\r\n.\r\n", "+OK\r\nA: b\r\n.\r\n+OK junk\r\n",
                                "+OK\r\nA: b\r\n", "-ERR no\r\n"};
    for (const QByteArray& bytes : cases) {
        MessageReply copied;
        copied.append(QByteArrayView(bytes));
        MessageReply taken;
        taken.appendTaking(QByteArray(bytes));
        EXPECT_EQ(taken.isComplete(), copied.isComplete()) << bytes.toStdString();
        EXPECT_EQ(taken.body(), copied.body()) << bytes.toStdString();
        EXPECT_EQ(taken.totalBytes(), copied.totalBytes()) << bytes.toStdString();
        EXPECT_EQ(taken.statusLineComplete(), copied.statusLineComplete()) << bytes.toStdString();
    }
}

} // namespace
} // namespace mervantic
