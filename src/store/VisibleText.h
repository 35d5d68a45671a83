#pragma once

#include <QString>
#include <QtCore/qnamespace.h>

namespace mervantic {

// Text that came from outside the program (a server's reply, a header field, a certificate's
// name, a provider's answer, a name read from a data file) as it may be shown: every character
// that would act instead of being seen is replaced by a visible stand-in, so that the user reads
// what was sent and nothing can reorder, hide or erase what surrounds it.
// C0 and C1 controls, DEL, bidi embeddings, overrides and isolates, and the line and paragraph
// separators become their code points, "[U+0000]", "[U+001B]", "[U+202E]" and the like, which
// every font can draw: they neither ring, erase, reorder nor break the line. A tab is a blank.
// Text with nothing to replace comes back as it is (shared, not copied).
QString visibleText(const QString& outside);

// The same for a text of several lines: line feeds stay (a CR LF or a lone CR becomes one line
// feed); everything else is as visibleText shows it. For the program's own composed texts,
// whose outside parts were made visible with visibleText when they were put in.
QString visibleLines(const QString& text);

// A tool tip that Qt cannot take for rich text: the visible lines, HTML-escaped, inside a
// paragraph that keeps their line breaks. Tool tips guess their format, so an outside text
// set as one could draw markup or load a resource.
QString plainToolTip(const QString& text);

// The item-model role under which a list gives its tool tip as plain text (for a screen reader),
// beside Qt::ToolTipRole's escaped rich text; far from any list's own roles.
constexpr int kPlainToolTipRole = Qt::UserRole + 100;

// Whether the text holds anything visibleText would replace.
bool hasHiddenCharacters(const QString& text);

} // namespace mervantic
