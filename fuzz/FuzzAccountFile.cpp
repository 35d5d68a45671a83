// The account file loader over arbitrary files, and the save-and-reload round trip: what was
// loaded is what a reload of the saved file gives.
#include "store/AccountFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace mervantic;

namespace {

bool same(const AccountList& a, const AccountList& b) {
    if (a.count() != b.count())
        return false;
    for (int i = 1; i <= a.count(); ++i) {
        const AccountRow& x = a.at(i);
        const AccountRow& y = b.at(i);
        if (x.displayName != y.displayName || x.username != y.username || x.server != y.server ||
            x.port != y.port || x.key != y.key || x.checked != y.checked)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("mervuser.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    AccountList loaded;
    AccountFile(path).load(loaded);
    if (!AccountFile(path).save(loaded))
        std::abort();
    AccountList reloaded;
    AccountFile(path).load(reloaded);
    if (!loaded.isEmpty() && !same(loaded, reloaded))
        std::abort();
    return 0;
}
