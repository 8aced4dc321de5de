#include "view/file_changed_bar.h"

#include "document/vault_sync.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CFileChangedBar::CFileChangedBar(CVaultSync& sync, QWidget* parent) : QFrame(parent) {
    setObjectName(u"fileChangedBar"_s);
    setFrameShape(QFrame::StyledPanel);
    // The colours of a tool tip: noticed, and readable in light and dark themes.
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
    colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
    setPalette(colours);

    auto* text = new QLabel(u"Die Datei wurde außerhalb von Zelmora geändert."_s, this);
    text->setObjectName(u"fileChangedText"_s);
    text->setWordWrap(true);
    const auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* merge = button(u"Zusammenführen"_s, "mergeButton");
    QPushButton* reload = button(u"Neu laden (meine Änderungen verwerfen)"_s, "reloadButton");
    QPushButton* keep = button(u"Meine behalten"_s, "keepButton");

    // The text above the buttons: three long captions beside it would not fit a narrow window.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(text);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(merge);
    buttons->addWidget(reload);
    buttons->addWidget(keep);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(merge, &QPushButton::clicked, &sync, &CVaultSync::Merge);
    connect(reload, &QPushButton::clicked, &sync, &CVaultSync::ReloadDiscarding);
    connect(keep, &QPushButton::clicked, &sync, &CVaultSync::KeepMine);
    connect(&sync, &CVaultSync::changeOffered, this, [this](bool offered) {
        // The keys stay where they were: a bar that takes the focus would swallow the next key.
        const bool hadFocus = isAncestorOf(QApplication::focusWidget());
        setVisible(offered);
        if (!offered && hadFocus && parentWidget()) {
            parentWidget()->setFocus(Qt::OtherFocusReason);
        }
    });
    setVisible(sync.ChangeOffered());
}
