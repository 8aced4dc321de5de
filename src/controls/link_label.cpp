#include "controls/link_label.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include "platform/launch_error.h"
#include "platform/web_launcher.h"

namespace {

constexpr int kShowNormal = 5;

// The layout that holds widget directly, searched from the parent's top layout down.
QLayout* LayoutHolding(QLayout* layout, const QWidget* widget) {
    if (!layout) {
        return nullptr;
    }
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget) {
            return layout;
        }
        if (QLayout* found = LayoutHolding(item->layout(), widget)) {
            return found;
        }
    }
    return nullptr;
}

}  // namespace

CLinkLabel::CLinkLabel(QWidget* parent)
    : QLabel(parent), m_crHover(palette().color(QPalette::Highlight)), m_linkFont(font()) {
    setTextFormat(Qt::PlainText);
    // Move events without a button held drive the hover state.
    setMouseTracking(true);
}

void CLinkLabel::Attach() {
    if (m_strTarget.isEmpty()) {
        m_strTarget = text();
    }
    if (text().isEmpty()) {
        setText(m_strTarget);
    }
    m_linkFont = font();
    m_linkFont.setUnderline(m_bUnderlined);
    setFont(m_linkFont);
    FitToText();
    setCursor(Qt::PointingHandCursor);
    setToolTip(m_strTarget);
}

void CLinkLabel::FitToText() {
    if (!m_bAutoSize) {
        return;
    }
    const QMargins margins = contentsMargins();
    const QSize textSize = QFontMetrics(m_linkFont).size(Qt::TextSingleLine, text());
    const int w = textSize.width() + margins.left() + margins.right() + 2 * margin();
    const int h = textSize.height() + margins.top() + margins.bottom() + 2 * margin();
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());

    int x = geometry().x();
    int y = geometry().y();
    int width = geometry().width();
    int height = geometry().height();
    Qt::Alignment cell;
    if (align & Qt::AlignVCenter) {
        const int shrink = (height - h) / 2;
        y += shrink;
        height -= 2 * shrink;
        cell |= Qt::AlignVCenter;
    } else if (align & Qt::AlignBottom) {
        y += height - h;
        height = h;
        cell |= Qt::AlignBottom;
    } else {
        height = h;
        cell |= Qt::AlignTop;
    }
    if (align & Qt::AlignHCenter) {
        const int shrink = (width - w) / 2;
        x += shrink;
        width -= 2 * shrink;
        cell |= Qt::AlignHCenter;
    } else if (align & Qt::AlignRight) {
        x += width - w;
        width = w;
        cell |= Qt::AlignRight;
    } else {
        width = w;
        cell |= Qt::AlignLeft;
    }

    // Without the fixed size and the cell alignment a layout would stretch the label again, and
    // the whole cell would react to the pointer.
    setFixedSize(width, height);
    if (QWidget* parent = parentWidget()) {
        if (QLayout* layout = LayoutHolding(parent->layout(), this)) {
            layout->setAlignment(this, cell);
        }
    }
    setGeometry(x, y, width, height);
}

void CLinkLabel::MarkOpened(bool opened) {
    m_bOpened = opened;
    update();
}

QColor CLinkLabel::TextColor() const {
    if (m_bHover) {
        return m_crHover;
    }
    return m_bOpened ? m_crOpened : m_crNormal;
}

void CLinkLabel::paintEvent(QPaintEvent*) {
    // No background of our own: the dialog shows through.
    QPainter painter(this);
    painter.setPen(TextColor());
    style()->drawItemText(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), text(), QPalette::NoRole);
}

void CLinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetHover(true);
}

void CLinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetHover(false);
}

void CLinkLabel::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    // While a button is held the label keeps getting moves from outside its rectangle.
    SetHover(rect().contains(event->position().toPoint()));
}

void CLinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    // Accepted, so that the press does not travel on to the dialog.
    event->accept();
    m_bPressed = true;
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_bPressed) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    m_bPressed = false;
    if (rect().contains(event->position().toPoint())) {
        OpenTarget();
    }
}

void CLinkLabel::SetHover(bool hover) {
    if (hover == m_bHover) {
        return;
    }
    m_bHover = hover;
    update();
}

void CLinkLabel::OpenTarget() {
    const int result = OpenWebAddress(m_strTarget, kShowNormal);
    // Launch results of 32 and below are error codes.
    m_bOpened = result > 32;
    if (m_bOpened) {
        MarkOpened(true);
    } else {
        QApplication::beep();
        ShowLaunchError(result);
    }
}
