#include "controls/move_header_ctrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QSignalBlocker>
#include <QStyle>

CMoveHeaderCtrl::CMoveHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

bool CMoveHeaderCtrl::EnableMove(bool enable) {
    const bool previous = m_bMoveEnabled;
    m_bMoveEnabled = enable;
    return previous;
}

void CMoveHeaderCtrl::SetMoveHandler(MoveHandler handler) {
    m_pfnMove = std::move(handler);
}

// Whether x lies on a section itself rather than on a divider or outside; the dividers are the grip
// zones at which QHeaderView starts resizing (the left edge of the first section is none).
bool CMoveHeaderCtrl::OnItem(int x) const {
    const int visual = visualIndexAt(x);
    if (visual < 0) {
        return false;
    }
    const int logical = logicalIndex(visual);
    const int left = sectionViewportPosition(logical);
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    if (x > left + sectionSize(logical) - grip) {
        return false;
    }
    return !(x < left + grip && visual > 0);
}

void CMoveHeaderCtrl::EraseMarker() {
    if (m_bMarker) {
        viewport()->update(m_rcMarker);
        m_bMarker = false;
    }
}

void CMoveHeaderCtrl::mousePressEvent(QMouseEvent* event) {
    if (m_bMoveEnabled && event->button() == Qt::LeftButton) {
        const int x = event->position().toPoint().x();
        m_bLeftColumn = false;
        if (OnItem(x)) {
            m_bPressed = true;
            m_nFrom = visualIndexAt(x);
        }
    }
    QHeaderView::mousePressEvent(event);
}

void CMoveHeaderCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (!m_bMoveEnabled) {
        QHeaderView::mouseMoveEvent(event);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        // The button came up where we did not see it: the drag ends without a move.
        m_bPressed = false;
        m_bDragging = false;
        EraseMarker();
    } else if (!m_bDragging) {
        if (m_bPressed) {
            // The mouse stays with the header while its button is down, so no explicit grab is needed.
            m_nDropPos = m_nFrom;
            m_bPressed = false;
            m_bDragging = true;
        }
    } else {
        // The drop position counts widths from the first column, so x must not be scrolled.
        const int x = event->position().toPoint().x() + offset();
        int p = 0;
        int left = 0;
        if (x > 0) {
            while (p < count() && !(left <= x && x < left + sectionSize(p))) {
                left += sectionSize(p);
                ++p;
            }
        }
        if (p != m_nDropPos) {
            m_nDropPos = p;
            m_bLeftColumn = true;
            EraseMarker();
            const int h = height();
            const int l = left - offset();
            m_nMarkerX = left;
            m_rcMarker = QRect(QPoint(l - h / 4 - 1, h - h / 2 - 1), QPoint(l + h / 4, h));
            m_bMarker = true;
            viewport()->update(m_rcMarker);
        }
    }
    QHeaderView::mouseMoveEvent(event);
}

void CMoveHeaderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const bool dragged = m_bMoveEnabled && m_bDragging && m_bLeftColumn;
    if (m_bMoveEnabled && m_bDragging) {
        m_bDragging = false;
        m_bMarker = false;
        viewport()->update();
        // The column's own two boundaries are no move.
        if (m_nDropPos != m_nFrom && m_nDropPos - m_nFrom != 1 && m_pfnMove) {
            m_pfnMove(m_nFrom, m_nDropPos);
        }
    }
    m_bPressed = false;
    m_bLeftColumn = false;
    if (dragged) {
        // QHeaderView reports a click when the button comes up on the section it went down on,
        // which after a move may be another column under the same index: a drag is never a click.
        const QSignalBlocker noClick(this);
        QHeaderView::mouseReleaseEvent(event);
        return;
    }
    QHeaderView::mouseReleaseEvent(event);
}

void CMoveHeaderCtrl::paintEvent(QPaintEvent* event) {
    QHeaderView::paintEvent(event);
    if (!m_bMarker) {
        return;
    }
    // A triangle pointing down whose tip touches the bottom edge at the boundary.
    const int h = height();
    const int l = m_nMarkerX - offset();
    QPainter painter(viewport());
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygon({QPoint(l, h), QPoint(l - h / 4, h / 2), QPoint(l + h / 4, h / 2)}));
}
