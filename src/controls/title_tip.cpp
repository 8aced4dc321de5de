#include "controls/title_tip.h"

#include "platform/text_wipe.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

CTitleTip::CTitleTip(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_pParent(parent) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    m_crBack = palette().color(QPalette::Highlight);
    m_crText = palette().color(QPalette::HighlightedText);
    // A tip must not stay on top of other programs' windows.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive) {
            hide();
        }
    });
}

void CTitleTip::Forget() {
    hide();
    WipeText(m_strText);
}

void CTitleTip::SetBackgroundColor(const QColor& color) {
    m_crBack = color;
}

void CTitleTip::SetTextColor(const QColor& color) {
    m_crText = color;
}

bool CTitleTip::TextFits(int cellWidth, int textWidth, int offset) {
    return cellWidth - 2 * offset - 2 >= textWidth;
}

QWidget* CTitleTip::Client() const {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(m_pParent)) {
        return area->viewport();
    }
    return m_pParent;
}

void CTitleTip::Show(const QRect& cell, const QString& text, int offset) {
    if (!QApplication::activeWindow()) {
        return;
    }
    const QFont font = m_pParent->font();
    const int textWidth = QFontMetrics(font).horizontalAdvance(text);
    if (TextFits(cell.width(), textWidth, offset)) {
        return;
    }
    setFont(font);
    m_strText = text;
    // The text lies where the list draws it; the hide rectangle is the cell itself.
    m_rcHide = QRect(kTextMargin - offset, 0, cell.width(), cell.height());
    const QPoint screen = Client()->mapToGlobal(cell.topLeft());
    setGeometry(screen.x() + offset - kTextMargin, screen.y(), textWidth + 2 * kTextMargin + 2,
                cell.height());
    raise();
    show();
    update();
}

bool CTitleTip::Holds(const QPoint& global) const {
    return isVisible() && m_rcHide.contains(mapFromGlobal(global));
}

void CTitleTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_crBack);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(m_crText);
    const QRect client = rect().adjusted(1 + kTextMargin, 1, -1, -1);
    painter.drawText(client, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_strText);
}

QWidget* CTitleTip::TargetAt(const QPoint& global, bool& clientArea) const {
    clientArea = true;
    QWidget* target = QApplication::widgetAt(global);
    if (!target || target->window() == this) {
        // The tip itself is on top: look beneath it, in the list's window.
        QWidget* top = m_pParent->window();
        const QPoint p = top->mapFromGlobal(global);
        if (!top->rect().contains(p)) {
            clientArea = false;
            return nullptr;
        }
        target = top->childAt(p);
        if (!target) {
            target = top;
        }
    }
    if (qobject_cast<QAbstractScrollArea*>(target)) {
        clientArea = false;  // a scroll area's own frame, outside its viewport
    }
    for (QWidget* w = target; w && !w->isWindow(); w = w->parentWidget()) {
        if (qobject_cast<QScrollBar*>(w) || qobject_cast<QHeaderView*>(w)) {
            clientArea = false;
        }
    }
    return target;
}

void CTitleTip::Forward(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    bool clientArea = true;
    QWidget* target = TargetAt(global, clientArea);
    if (event->type() == QEvent::MouseButtonRelease && m_pPressTarget) {
        target = m_pPressTarget;
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        m_pPressTarget = target;
    } else if (event->type() == QEvent::MouseButtonRelease && event->buttons() == Qt::NoButton) {
        m_pPressTarget = nullptr;
    }
    if (!clientArea) {
        hide();
    }
    if (!target) {
        return;
    }
    QMouseEvent copy(event->type(), target->mapFromGlobal(global), event->globalPosition(), event->button(),
                     event->buttons(), event->modifiers(), event->pointingDevice());
    QApplication::sendEvent(target, &copy);
}

void CTitleTip::mouseMoveEvent(QMouseEvent* event) {
    if (m_rcHide.contains(event->position().toPoint())) {
        return;
    }
    hide();
    Forward(event);
}

void CTitleTip::mousePressEvent(QMouseEvent* event) {
    Forward(event);
}

void CTitleTip::mouseReleaseEvent(QMouseEvent* event) {
    Forward(event);
}

void CTitleTip::mouseDoubleClickEvent(QMouseEvent* event) {
    Forward(event);
}

void CTitleTip::wheelEvent(QWheelEvent* event) {
    // The list scrolls under the tip, so the cell it stood for is gone.
    hide();
    QWidget* client = Client();
    QWheelEvent copy(client->mapFromGlobal(event->globalPosition()), event->globalPosition(),
                     event->pixelDelta(), event->angleDelta(), event->buttons(), event->modifiers(),
                     event->phase(), event->inverted(), event->source(), event->pointingDevice());
    QApplication::sendEvent(client, &copy);
}

void CTitleTip::keyPressEvent(QKeyEvent* event) {
    hide();
    QCoreApplication::postEvent(m_pParent, event->clone());
}

void CTitleTip::leaveEvent(QEvent*) {
    // The hide rectangle reaches a little left of the tip; the list looks after that strip.
    if (!m_rcHide.contains(mapFromGlobal(QCursor::pos()))) {
        hide();
    }
}
