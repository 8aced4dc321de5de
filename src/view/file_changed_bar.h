// The bar above the entry list that says the vault's file was changed by another program while
// the window holds changes of its own, with the three ways on: merge, reload, keep mine.  It
// asks nothing and blocks nothing; it goes when one is chosen or the file is the known one again.
#pragma once

#include <QFrame>

class CVaultSync;

class CFileChangedBar : public QFrame {
    Q_OBJECT
public:
    explicit CFileChangedBar(CVaultSync& sync, QWidget* parent = nullptr);
};
