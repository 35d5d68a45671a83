#pragma once

#include <QLabel>

namespace mervantic {

// The one status text along the bottom of the window. A right press clears it.
class StatusBar final : public QLabel {
    Q_OBJECT

public:
    explicit StatusBar(QWidget* parent = nullptr);
    void showText(const QString& text) { setText(text); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace mervantic
