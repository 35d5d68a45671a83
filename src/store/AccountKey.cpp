#include "store/AccountKey.h"

namespace mervantic::AccountKey {

QString make(int number, const QString& password) {
    QString key;
    key.reserve(12 + password.size());
    key.append(QLatin1Char('K')).append(QString::number(number)).append(QLatin1Char('P'));
    return key.append(password);
}

int passwordMarkPosition(const QString& key) {
    return static_cast<int>(key.indexOf(QLatin1Char('P'), 0, Qt::CaseInsensitive)) + 1;
}

std::optional<QString> password(const QString& key) {
    const int p = passwordMarkPosition(key);
    if (p < 3 || key.size() <= p)
        return std::nullopt;
    return key.mid(p);
}

int number(const QString& key) {
    const int p = passwordMarkPosition(key);
    if (p < 3)
        return 0;
    bool ok = false;
    const int n = key.mid(1, p - 2).toInt(&ok);
    return ok ? n : 0;
}

} // namespace mervantic::AccountKey
