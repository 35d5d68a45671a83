#include "app/FontChoice.h"

#include <QFontDatabase>
#include <QStringList>

#include <cstdlib>

namespace mervantic {

namespace {

bool slanted(const QString& family, const QString& style) {
    // The database calls only italics italic; an oblique is as slanted for the user.
    return QFontDatabase::italic(family, style) ||
           style.contains(QLatin1String("Oblique"), Qt::CaseInsensitive) ||
           style.contains(QLatin1String("Italic"), Qt::CaseInsensitive);
}

// The upright style of `family` whose weight is nearest `weight`; of those alike, the shortest
// name, which is the plain one ("Book" before "Condensed", "Bold" before "Condensed Bold").
// Empty when the family has none.
QString uprightStyle(const QString& family, int weight) {
    QString best;
    int bestDistance = 0;
    const QStringList styles = QFontDatabase::styles(family);
    for (const QString& style : styles) {
        if (slanted(family, style))
            continue;
        const int distance = std::abs(QFontDatabase::weight(family, style) - weight);
        if (best.isEmpty() || distance < bestDistance ||
            (distance == bestDistance && style.size() < best.size())) {
            best = style;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

QFont fontForDialog(const FontChoice& preset) {
    QFont font(preset.name);
    font.setPointSizeF(preset.points);
    font.setWeight(preset.bold ? QFont::Bold : QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    const QString style = uprightStyle(preset.name, font.weight());
    if (!style.isEmpty())
        font.setStyleName(style);
    return font;
}

FontChoice fontChoiceOf(const QFont& font) {
    return FontChoice{font.family(), font.bold(), font.pointSizeF(),
                      font.style() != QFont::StyleNormal};
}

} // namespace mervantic
