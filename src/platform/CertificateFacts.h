#pragma once

#include <QByteArray>
#include <QString>

namespace mervantic {

// What a user compares before trusting a server's certificate: who it names, who signed it,
// when it is valid, and its SHA-256 fingerprint, which the server's administrator can read out.
struct CertificateFacts {
    QString subject;
    QString issuer;
    QString validFrom;
    QString validUntil;
    QString sha256;
    // Whether now lies between its first and last day: trusting a certificate out of its dates
    // cannot make it acceptable.
    bool validNow = false;

    // The facts of a certificate in DER form; all empty when it is none.
    static CertificateFacts of(const QByteArray& der);
};

// "AB:CD:..." over the certificate's DER bytes.
QString sha256Fingerprint(const QByteArray& der);

} // namespace mervantic
