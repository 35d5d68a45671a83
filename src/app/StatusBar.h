#pragma once

#include "store/VisibleText.h"

#include <QLabel>

namespace mervantic {

// The one status text along the bottom of the window. A right press clears it.
class StatusBar final : public QLabel {
    Q_OBJECT

public:
    explicit StatusBar(QWidget* parent = nullptr);
    // One line, which may quote a server: shown as sent, never acted on. At the window's
    // smaller sizes its end (the failed accounts' names) is cut: the tool tip holds it whole.
    void showText(const QString& text) {
        setText(visibleText(text));
        setToolTip(text.isEmpty() ? QString() : plainToolTip(visibleText(text)));
    }

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace mervantic
