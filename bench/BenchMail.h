#pragma once

#include <QByteArray>

namespace mervantic::bench {

// A message of ordinary size and shape for the benchmarks' mailboxes: a few routing headers,
// the four the list shows, and a short body.
inline QByteArray benchMessage(int n) {
    return "Return-Path: <sender@example.org>\r\n"
           "Received: from mail.example.org by mx.example.org; Mon, 4 Jan 2003 09:15:00 -0500\r\n"
           "From: Sender Name <sender" +
           QByteArray::number(n % 97) +
           "@example.org>\r\n"
           "To: bench@example.org\r\n"
           "Subject: Benchmark message number " +
           QByteArray::number(n) +
           "\r\n"
           "Date: Mon, 4 Jan 2003 09:15:00 -0500\r\n"
           "Message-ID: <" +
           QByteArray::number(n) +
           ".bench@example.org>\r\n"
           "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n"
           "First line of the body.\r\nSecond line of the body.\r\nThird line.\r\nFourth line.\r\n";
}

} // namespace mervantic::bench
