// The header of CSortListCtrl.  With moving enabled the user drags a column header sideways and
// drops it on a boundary between two columns; a small triangle marks that boundary while the drag
// lasts, and the drop asks the owner to move the column.  Clicks, resizing at the dividers and the
// click that sorts stay QHeaderView's own.  QHeaderView's built-in section moving is never used:
// the owner moves its model's columns instead.
#pragma once

#include <QHeaderView>
#include <QRect>

#include <functional>

class CMoveHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    // Receives the dragged column's position and the drop position: p is the boundary left of
    // column p, the column count the right end.  Called only for a drop that moves the column.
    using MoveHandler = std::function<void(int from, int to)>;

    explicit CMoveHeaderCtrl(QWidget* parent = nullptr);

    // Returns the previous setting.
    bool EnableMove(bool enable);
    void SetMoveHandler(MoveHandler handler);

    bool IsDragging() const { return m_bDragging; }
    int DropPos() const { return m_nDropPos; }
    // The area of the marker now shown, empty when none is.
    QRect MarkerRect() const { return m_bMarker ? m_rcMarker : QRect(); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool OnItem(int x) const;
    void EraseMarker();

    bool m_bMoveEnabled = false;
    bool m_bPressed = false;
    bool m_bDragging = false;
    // The pointer left the pressed column during this press: a drag then, where staying inside it
    // is a click with an unsteady hand.
    bool m_bLeftColumn = false;
    int m_nFrom = 0;
    int m_nDropPos = 0;
    int m_nMarkerX = 0;      // boundary the marker stands on, unscrolled header coordinates
    bool m_bMarker = false;  // a marker is shown
    QRect m_rcMarker;        // its area in widget coordinates, to erase it again
    MoveHandler m_pfnMove;
};
