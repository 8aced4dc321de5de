// The search field of the tool bar: what it holds narrows the entry list.  Down and Return lead
// into the list, Escape gives the search up.
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

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
