#include "app/AboutWindow.h"

#include "app/ProgramIcon.h"

#include <QLabel>
#include <QVBoxLayout>

namespace mervantic {

AboutWindow::AboutWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(programIcon().pixmap(64, 64));
    picture->setAlignment(Qt::AlignCenter);
    auto* sentence = new QLabel(
        QStringLiteral("With A Single Click, Check The POP3 Servers And List All Of The eMail You "
                       "Have For All Of Your Configured eMail Addresses."),
        this);
    sentence->setTextFormat(Qt::PlainText);
    sentence->setWordWrap(true);
    sentence->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(versionLabel(), this);
    version->setObjectName(QStringLiteral("VersionLabel"));
    version->setTextFormat(Qt::PlainText);
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    layout->addWidget(sentence);
    layout->addWidget(version);
    resize(320, 180);
}

QString AboutWindow::versionLabel() {
    return QStringLiteral("Vs.") + QStringLiteral(MERVANTIC_VERSION);
}

} // namespace mervantic
