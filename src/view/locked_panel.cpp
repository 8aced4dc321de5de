#include "view/locked_panel.h"

#include <QEvent>
#include <QGridLayout>
#include <QPushButton>

using namespace Qt::StringLiterals;

CLockedPanel::CLockedPanel(QWidget* area) : QWidget(area), m_button(new QPushButton(u"Entsperren"_s, this)) {
    setObjectName(u"lockedPanel"_s);
    m_button->setObjectName(u"unlockButton"_s);
    // Return and Enter press it also outside a dialog.
    m_button->setAutoDefault(true);
    m_button->setDefault(true);
    m_button->setMinimumWidth(m_button->fontMetrics().horizontalAdvance(m_button->text()) * 2);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_button, 0, 0, Qt::AlignCenter);
    connect(m_button, &QPushButton::clicked, this, &CLockedPanel::unlockRequested);
    area->installEventFilter(this);
    setGeometry(area->rect());
    hide();
}

bool CLockedPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    }
    return QWidget::eventFilter(watched, event);
}
