// A static text that works as a link to the address it shows: link colours, underline, hand
// cursor, the target as tool tip, and a click that opens the target with the web launcher.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

class CLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit CLinkLabel(QWidget* parent = nullptr);

    // Call once the label shows its final text (after setupUi): takes that text as the target,
    // underlines the font, shrinks the label to its text and sets cursor and tool tip.
    void Attach();

    // Shrinks the label to its text, keeping its left edge, right edge or centre as the horizontal
    // alignment says and its top or vertical centre likewise.  Inside a layout the label also
    // keeps that place in its cell when the dialog is laid out anew.
    void FitToText();

    void MarkOpened(bool opened);

    const QString& Target() const { return m_strTarget; }
    bool IsOpened() const { return m_bOpened; }
    bool IsHovered() const { return m_bHover; }
    // The colour the text is drawn in now: hover over opened over normal.
    QColor TextColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetHover(bool hover);
    void OpenTarget();

    QColor m_crNormal{0, 0, 238};
    QColor m_crOpened{85, 26, 139};
    QColor m_crHover;
    bool m_bHover = false;
    bool m_bOpened = false;
    bool m_bUnderlined = true;
    bool m_bAutoSize = true;
    bool m_bPressed = false;
    QString m_strTarget;
    QFont m_linkFont;
};
