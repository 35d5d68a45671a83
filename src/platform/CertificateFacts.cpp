#include "platform/CertificateFacts.h"

#include <QCryptographicHash>
#include <QSslCertificate>
#include <QStringList>

namespace mervantic {

namespace {

// The certificate's names as "CN=..., O=..." (the fields people read), falling back to what the
// certificate holds at all.
QString names(const QSslCertificate& certificate, bool issuer) {
    QStringList parts;
    for (const auto& [attribute, label] : {std::pair{QSslCertificate::CommonName, "CN"},
                                           std::pair{QSslCertificate::Organization, "O"},
                                           std::pair{QSslCertificate::OrganizationalUnitName, "OU"},
                                           std::pair{QSslCertificate::CountryName, "C"}}) {
        const QStringList values =
            issuer ? certificate.issuerInfo(attribute) : certificate.subjectInfo(attribute);
        for (const QString& value : values)
            parts << QString::fromLatin1(label) + QLatin1Char('=') + value;
    }
    if (parts.isEmpty())
        return issuer ? certificate.issuerDisplayName() : certificate.subjectDisplayName();
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString sha256Fingerprint(const QByteArray& der) {
    const QByteArray digest = QCryptographicHash::hash(der, QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex(':').toUpper());
}

CertificateFacts CertificateFacts::of(const QByteArray& der) {
    const QSslCertificate certificate(der, QSsl::Der);
    if (der.isEmpty() || certificate.isNull())
        return {};
    const auto when = [](const QDateTime& time) {
        return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
    };
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return {names(certificate, false),
            names(certificate, true),
            when(certificate.effectiveDate()),
            when(certificate.expiryDate()),
            sha256Fingerprint(der),
            certificate.effectiveDate() <= now && now <= certificate.expiryDate()};
}

} // namespace mervantic
