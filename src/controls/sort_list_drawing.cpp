// Row drawing of CSortListCtrl: the selection colour reaches the first column's text (mode 0), all
// columns (1) or the right edge of the list (2).  Every row is painted across the whole width of the
// viewport, so partial repaints and resizes always leave the highlight complete.
#include "controls/list_model.h"
#include "controls/move_header_ctrl.h"
#include "controls/sort_list_ctrl.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

void DrawCellText(QPainter* painter, const QFontMetrics& metrics, const QRect& rect, const QString& text,
                  Qt::Alignment alignment) {
    if (rect.width() <= 0 || text.isEmpty()) {
        return;
    }
    painter->drawText(rect, int(alignment | Qt::AlignVCenter | Qt::TextSingleLine),
                      metrics.elidedText(text, Qt::ElideRight, rect.width()));
}

}  // namespace

void CSortListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const int columns = m_header->count();
    if (!m_bOwnerDraw || columns == 0) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    const int row = index.row();
    // The system's colours: the same whether or not the window is active.
    const QPalette& pal = palette();
    const QColor window = pal.color(QPalette::Active, QPalette::Base);
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor windowText = pal.color(QPalette::Active, QPalette::Text);
    const QColor highlightText = pal.color(QPalette::Active, QPalette::HighlightedText);

    const bool highlighted = IsRowHighlighted(row);

    const int top = option.rect.top();
    const int height = option.rect.height();
    const int left = m_header->sectionViewportPosition(0);
    const int firstWidth = m_header->sectionSize(0);
    const QRect bounds(left, top, m_header->length(), height);
    const int stateWidth = StateImageWidth();
    const QRect label(left + stateWidth, top, firstWidth - stateWidth, height);

    const QFontMetrics metrics(font());
    const QString labelText = m_model->ShownText(row, 0);
    const int offset = TextInset();

    QRect hilite = label;
    switch (m_nHighlight) {
        case kHighlightLabel:
            hilite.setWidth(std::min(label.width(), offset + metrics.horizontalAdvance(labelText)));
            break;
        case kHighlightRow:
            hilite.setRight(bounds.right());
            break;
        case kHighlightFull:
            hilite.setRight(viewport()->width() - 1);
            break;
    }

    painter->save();
    painter->setFont(font());
    painter->fillRect(hilite, highlighted ? highlight : window);
    painter->setPen(highlighted ? highlightText : windowText);

    painter->save();
    painter->setClipRect(QRect(left, top, firstWidth, height), Qt::IntersectClip);
    const int image = m_model->StateImage(row);
    if (image > 0 && image <= m_stateImages.size()) {
        const QPixmap& pixmap = m_stateImages.at(image - 1);
        painter->drawPixmap(left, top + (height - qRound(pixmap.deviceIndependentSize().height())) / 2,
                            pixmap);
    }
    // The first column is always left-aligned.
    DrawCellText(painter, metrics, CellTextRect(QRect(left, top, firstWidth, height), 0), labelText,
                 Qt::AlignLeft);
    painter->restore();

    if (m_nHighlight == kHighlightLabel) {
        painter->setPen(windowText);
    }
    QRect rest = bounds;
    rest.setRight(std::max(bounds.right(), hilite.right()));
    painter->setClipRect(rest, Qt::IntersectClip);
    int x = left + firstWidth;
    for (int column = 1; column < columns; ++column) {
        const int width = m_header->sectionSize(column);
        const QRect cell(x, top, width, height);
        x += width;
        if (m_nHighlight == kHighlightLabel) {
            painter->fillRect(cell, window);
        }
        DrawCellText(painter, metrics, CellTextRect(cell, column), m_model->ShownText(row, column),
                     GetColumnFormat(column));
    }

    if (hasFocus() && currentIndex().isValid() && currentIndex().row() == row) {
        painter->setClipping(false);
        painter->setPen(QPen(highlighted ? highlightText : windowText, 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(hilite.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

int CSortListCtrl::TextInset() const {
    return 2 * QFontMetrics(font()).horizontalAdvance(u' ');
}

QRect CSortListCtrl::CellTextRect(const QRect& cell, int column) const {
    const int inset = TextInset();
    if (column == 0) {
        return cell.adjusted(StateImageWidth() + inset / 2, 0, -inset, 0);
    }
    return cell.adjusted(inset, 0, -inset, 0);
}

QRegion CSortListCtrl::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region = QTreeView::visualRegionForSelection(selection);
    if (!m_bOwnerDraw || m_nHighlight != kHighlightFull) {
        return region;
    }
    // The selection colour runs on to the right edge, and so must the repaint of a changed selection.
    QRegion rows;
    const int right = viewport()->width();
    for (const QRect& rect : region) {
        rows += QRect(rect.left(), rect.top(), std::max(0, right - rect.left()), rect.height());
    }
    return rows;
}
