#pragma once

#include <QLabel>
#include <QMouseEvent>

namespace mervantic {

// A label that reports a left click, for the settings pages' navigation arrows.
class ClickableLabel final : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            Q_EMIT clicked();
        QLabel::mousePressEvent(event);
    }
};

} // namespace mervantic
