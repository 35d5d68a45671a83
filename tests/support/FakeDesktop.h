#pragma once

#include "platform/Desktop.h"

#include <QSet>
#include <QStringList>

#include <functional>

namespace mervantic::test {

// A desktop that records the programs started and the addresses opened; the files that exist
// are the ones a test names.
class FakeDesktop final : public Desktop {
public:
    bool fileExists(const QString& path) override { return files.contains(path); }
    bool startProgram(const QString& program, const QStringList& arguments) override {
        started << program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
        return opens;
    }
    bool openUrl(const QUrl& url) override {
        opened << url.toString(QUrl::FullyEncoded);
        if (onOpen)
            onOpen(url);
        return opens;
    }
    // Whether the desktop has what starts programs and opens addresses.
    bool opens = true;

    QSet<QString> files;
    QStringList started;
    QStringList opened;
    // What the user does with an address opened (a browser signing in, say).
    std::function<void(const QUrl&)> onOpen;
};

} // namespace mervantic::test
