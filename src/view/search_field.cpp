#include "view/search_field.h"

#include <QKeyEvent>

using namespace Qt::StringLiterals;

CSearchField::CSearchField(QWidget* parent) : QLineEdit(parent) {
    setObjectName(u"searchField"_s);
    setPlaceholderText(u"Suchen (Strg+F)"_s);
    // It takes the tool bar's room that the buttons leave, even in the narrow window of the first
    // start, and stays short of a whole line.
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
}

QSize CSearchField::sizeHint() const {
    QSize size = QLineEdit::sizeHint();
    size.setWidth(fontMetrics().horizontalAdvance(placeholderText()) + 24);
    return size;
}

QSize CSearchField::minimumSizeHint() const {
    QSize size = QLineEdit::minimumSizeHint();
    size.setWidth(fontMetrics().horizontalAdvance(u"Suchen"_s) + 16);
    return size;
}

void CSearchField::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier) {
        switch (event->key()) {
            case Qt::Key_Down:
            case Qt::Key_Return:
            case Qt::Key_Enter:
                emit enterList();
                return;
            case Qt::Key_Escape:
                emit cancelled();
                return;
            case Qt::Key_Home:
            case Qt::Key_End:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                // The words are short; these keys are the list's, so that Strg+F, a word, Pos1
                // lands on the first match.  Shift keeps selecting text in the field.
                emit listKey(event->key());
                return;
            default:
                break;
        }
    }
    QLineEdit::keyPressEvent(event);
}
