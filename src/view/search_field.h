// The search field of the tool bar: what it holds narrows the entry list.  Down and Return lead
// into the list, Pos1, Ende and the page keys act there at once, Escape gives the search up.
#pragma once

#include <QLineEdit>

class CSearchField : public QLineEdit {
    Q_OBJECT
public:
    explicit CSearchField(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void enterList();
    void cancelled();
    void listKey(int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
