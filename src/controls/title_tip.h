// A small pop-up over a list cell that shows the cell's full text when the column cuts it off.  It
// stays while the pointer is inside the cell and passes clicks on to whatever lies beneath it, so
// that the list behaves as if the tip were not there.
#pragma once

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

class QMouseEvent;

class CTitleTip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTextMargin = 2;  // left of the text inside the tip

    // parent is the list: its font is the tip's, it receives forwarded keys, and when it is a scroll
    // area its viewport is the "client area" that cell rectangles and clicks refer to.
    explicit CTitleTip(QWidget* parent);

    // cell is in the client area's coordinates; offset is how far right of the cell's left edge the
    // list draws the text.  Shows the tip only if the text does not fit and the application is active.
    void Show(const QRect& cell, const QString& text, int offset);

    void SetBackgroundColor(const QColor& color);
    void SetTextColor(const QColor& color);

    // Whether a text of textWidth pixels fits a cell of cellWidth pixels drawn at offset.
    static bool TextFits(int cellWidth, int textWidth, int offset);

    // The area, in the tip's coordinates, in which the pointer may move without hiding the tip.
    QRect HideRect() const { return m_rcHide; }
    // Whether the tip is shown and a screen point lies in its hide rectangle.  The list asks this on
    // every pointer move it sees, so that a tip never outlives the cell it stands for.
    bool Holds(const QPoint& global) const;
    QString Text() const { return m_strText; }
    // Ours: hides the tip and zeroes the text it showed.
    void Forget();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QWidget* Client() const;
    // The widget under a screen point, looking beneath the tip; clientArea is false for the parts of
    // a list that stand for a window's frame (scroll bars, headers, the frame itself).
    QWidget* TargetAt(const QPoint& global, bool& clientArea) const;
    void Forward(QMouseEvent* event);

    QWidget* m_pParent;
    QPointer<QWidget> m_pPressTarget;  // got the last forwarded button press, and so gets its release
    QRect m_rcHide;
    QString m_strText;
    QColor m_crBack;
    QColor m_crText;
};
