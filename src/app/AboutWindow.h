#pragma once

#include <QWidget>

namespace mervantic {

// "About": the program's picture, what it does, and its version.
class AboutWindow final : public QWidget {
    Q_OBJECT

public:
    explicit AboutWindow(QWidget* parent = nullptr);

    // "Vs." and the build's major.minor.revision.
    static QString versionLabel();
};

} // namespace mervantic
