#pragma once

#include <QByteArray>

#include <cstdint>
#include <iterator>

namespace mervantic::bench {

// Mail as it arrives today, made the same every time for the same number: a chain of Received
// lines folded over two lines each, a DKIM signature and authentication results that fold over
// several lines, senders and subjects encoded as UTF-8 (base64 and quoted-printable),
// ISO-8859-1 and ISO-2022-JP, some subjects of two encoded words folded, plain and multipart
// bodies, and sizes from about half a kilobyte to twenty.
class RealisticMail {
public:
    static QByteArray message(int n) {
        RealisticMail mail(static_cast<std::uint32_t>(n));
        return mail.build(n);
    }

private:
    explicit RealisticMail(std::uint32_t seed)
        : m_state(seed * 2654435761u + 12345u) {}

    // A small generator of its own, so that every platform makes the same mailbox.
    std::uint32_t next() {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
    template <typename T, std::size_t N> const T& pick(const T (&items)[N]) {
        return items[below(static_cast<int>(N))];
    }

    QByteArray build(int n) {
        static const char* const kSubjects[] = {
            "=?UTF-8?B?UmVjaG51bmcgZsO8ciBJaHJlIEJlc3RlbGx1bmcgTnIu?=",
            "=?utf-8?q?Rechnung_f=C3=BCr_Ihre_Bestellung_Nr=2E?=",
            "=?UTF-8?B?0JLQsNGIINC30LDQutCw0Lcg0L7RgtC/0YDQsNCy0LvQtdC9?=",
            "=?UTF-8?B?UsOpdW5pb24gZGUgbCfDqXF1aXBlIOKAlCBvcmRyZSBkdSBqb3Vy?=",
            "=?UTF-8?B?5L2g55qE6LSm5oi35a6J5YWo5o+Q6YaS?=",
            "=?utf-8?q?Ofertas_de_verano=3A_=C2=A1hasta_50=25_de_descuento!?=",
            "=?ISO-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=",
            "=?ISO-8859-1?Q?Caf=E9_=E0_Paris:_menu_du_jour?=",
            "=?ISO-8859-1?Q?=C5rsrapport_f=F6r_styrelsen?=",
            "=?ISO-2022-JP?B?GyRCMnE1RCRORnxEeCRLJEQkJCRGGyhC?=",
            "=?ISO-2022-JP?B?GyRCJCpMZCQkOWckbyQ7JCIkaiQsJEgkJiQ0JDYkJCReJDkbKEI=?=",
            "=?ISO-2022-JP?B?GyRCPTVLdiROJTshPCVrPnBKcxsoQg==?=",
            "Re: Quarterly planning meeting notes and action items",
            "Your order has shipped",
            "[dev-list] Re: Proposal to change the release schedule for the next two cycles",
        };
        static const char* const kNames[] = {
            "=?UTF-8?B?SsO8cmdlbiBNw7xsbGVy?=",
            "=?UTF-8?B?U8O4cmluYSDDmGRlZ8OlcmQ=?=",
            "=?UTF-8?B?5bGx55SwIOWkqumDjg==?=",
            "=?UTF-8?B?0JTQvNC40YLRgNC40Lkg0JjQstCw0L3QvtCy?=",
            "\"Newsletter Team\"",
            "Ann Example",
            "GitHub",
            "\"Doe, Jane\"",
        };
        static const char* const kDomains[] = {"example.org", "mail.example.com",
                                               "lists.example.net", "shop.example.de",
                                               "example.co.jp"};
        static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
        static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        static const char* const kZones[] = {"+0000", "-0500", "+0100", "+0900", "-0800"};

        const QByteArray domain = pick(kDomains);
        QByteArray m;
        m.reserve(24 * 1024);
        m += "Return-Path: <bounce-" + number(next() % 100000) + "@" + domain + ">\r\n";
        m += "Delivered-To: bench@example.org\r\n";
        const int hops = 2 + below(7);
        for (int hop = 0; hop < hops; ++hop) {
            m += "Received: from relay" + number(hop) + "." + domain + " (relay" + number(hop) +
                 "." + domain + " [192.0.2." + number(next() % 250) + "])\r\n\tby mx" +
                 number(hop + 1) + ".example.org (Postfix) with ESMTPS id " + hex(next()) + "; " +
                 date(kDays, kMonths, kZones) + "\r\n";
        }
        m += "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=" + domain +
             "; s=selector1;\r\n\th=from:to:subject:date:message-id:mime-version:content-type;\r\n"
             "\tbh=" +
             base64ish(44) + ";\r\n\tb=" + base64ish(76) + "\r\n\t " + base64ish(76) + "\r\n\t " +
             base64ish(68) + "\r\n";
        m += "Authentication-Results: mx1.example.org;\r\n\tdkim=pass header.d=" + domain +
             ";\r\n\tspf=pass smtp.mailfrom=" + domain + ";\r\n\tdmarc=pass header.from=" + domain +
             "\r\n";
        m += "From: " + QByteArray(pick(kNames)) + " <sender" + number(next() % 500) + "@" +
             domain + ">\r\n";
        m += "To: Bench Reader <bench@example.org>\r\n";
        if (below(4) == 0)
            m += "Cc: team@example.org, \"Someone Else\" <someone@example.net>,\r\n"
                 " another.person@example.com\r\n";
        // Some subjects are two encoded words, folded as mailers fold them.
        m += "Subject: " + QByteArray(pick(kSubjects));
        if (below(3) == 0)
            m += "\r\n " + QByteArray(pick(kSubjects));
        m += "\r\n";
        m += "Date: " + date(kDays, kMonths, kZones) + "\r\n";
        m += "Message-ID: <" + hex(next()) + "." + number(n) + "@" + domain + ">\r\n";
        if (below(3) == 0)
            m += "List-Unsubscribe: <mailto:unsubscribe@" + domain + ">,\r\n <https://" + domain +
                 "/unsubscribe?id=" + hex(next()) + hex(next()) + ">\r\n";
        m += "MIME-Version: 1.0\r\n";

        // Bodies: most short, some long, some multipart with an HTML part or an attachment.
        const int size = below(10) < 7 ? 200 + below(900) : 2000 + below(17000);
        if (below(3) == 0) {
            const QByteArray boundary = "=_part_" + hex(next());
            m += "Content-Type: multipart/alternative;\r\n boundary=\"" + boundary + "\"\r\n\r\n";
            m += "This is a multi-part message in MIME format.\r\n--" + boundary +
                 "\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                 "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
            m += text(size / 2);
            m += "--" + boundary +
                 "\r\nContent-Type: text/html; charset=UTF-8\r\n"
                 "Content-Transfer-Encoding: base64\r\n\r\n";
            m += base64Lines(size / 2);
            m += "--" + boundary + "--\r\n";
        } else {
            m += "Content-Type: text/plain; charset=UTF-8\r\n"
                 "Content-Transfer-Encoding: 8bit\r\n\r\n";
            m += text(size);
        }
        return m;
    }

    static QByteArray number(std::uint32_t value) { return QByteArray::number(value); }
    static QByteArray number(int value) { return QByteArray::number(value); }
    static QByteArray hex(std::uint32_t value) { return QByteArray::number(value, 16).toUpper(); }

    QByteArray date(const char* const (&days)[7], const char* const (&months)[12],
                    const char* const (&zones)[5]) {
        return QByteArray(pick(days)) + ", " + number(1 + below(28)) + " " + pick(months) + " " +
               number(2020 + below(7)) + " " + twoDigits(below(24)) + ":" + twoDigits(below(60)) +
               ":" + twoDigits(below(60)) + " " + pick(zones);
    }
    static QByteArray twoDigits(int value) {
        return QByteArray::number(value).rightJustified(2, '0');
    }

    QByteArray base64ish(int length) {
        static const char kAlphabet[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        QByteArray out(length, 'A');
        for (char& c : out)
            c = kAlphabet[below(64)];
        return out;
    }
    QByteArray base64Lines(int bytes) {
        QByteArray out;
        for (int written = 0; written < bytes; written += 78)
            out += base64ish(76) + "\r\n";
        return out;
    }
    QByteArray text(int bytes) {
        static const char* const kWords[] = {
            "the",    "meeting", "schedule", "für",     "über",  "naïve",    "report",  "attached",
            "please", "review",  "thanks",   "regards", "order", "shipping", "invoice", "week"};
        QByteArray out;
        QByteArray line;
        while (out.size() < bytes) {
            line += kWords[below(static_cast<int>(std::size(kWords)))];
            line += ' ';
            if (line.size() > 60) {
                out += line.trimmed() + "\r\n";
                line.clear();
            }
        }
        return out + "\r\n";
    }

    std::uint32_t m_state;
};

} // namespace mervantic::bench
