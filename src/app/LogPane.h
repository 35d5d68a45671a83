#pragma once

#include <QPlainTextEdit>
#include <QRectF>

namespace mervantic {

// The running record of the current check or delete run: the program's step messages and the
// server's replies, plain text, one line each. Its own colours while a run is in progress.
// It lies over the page area, whole (mode 0) or over its right half (any other mode).
class LogPane final : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit LogPane(QWidget* parent = nullptr);

    // Run colours; the content becomes `dateTime` and then `firstLine`.
    void beginRun(const QString& dateTime, const QString& firstLine);
    // The content becomes the old content, CR LF and the line; the caret goes to the end.
    void append(const QString& line);
    // Normal colours.
    void endRun();
    void replaceAll(const QString& text);

    // The content, lines joined by CR LF, as the pane holds it.
    const QString& content() const { return m_content; }
    bool inRunColours() const { return m_runColours; }

    int placementMode() const { return m_mode; }
    void setPlacementMode(int mode) { m_mode = mode; }
    // 0 becomes 1, anything else 0.
    void togglePlacementMode() { m_mode = m_mode == 0 ? 1 : 0; }
    // Places the pane by its mode over the page area (twips).
    void place(const QRectF& pageArea);
    static QRectF placement(const QRectF& pageArea, int mode);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void setRunColours(bool on);

    QString m_content;
    bool m_runColours = false;
    int m_mode = 0;
};

} // namespace mervantic
