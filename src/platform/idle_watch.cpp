#include "platform/idle_watch.h"

#include "platform/clock.h"
#include "platform/security_settings.h"

#include <QCoreApplication>
#include <QEvent>

CIdleWatch::CIdleWatch(QObject* parent) : QObject(parent) {
    Touch();
    m_timer.setInterval(5000);
    connect(&m_timer, &QTimer::timeout, this, &CIdleWatch::Poll);
    m_timer.start();
    QCoreApplication::instance()->installEventFilter(this);
}

CIdleWatch::~CIdleWatch() {
    if (QCoreApplication::instance()) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void CIdleWatch::Touch() {
    m_nLastInput = CClock::Current().NowMs();
    m_bReported = false;
}

void CIdleWatch::Poll() {
    const int minutes = security::LockMinutes();
    if (minutes == 0 || m_bReported) {
        return;
    }
    if (CClock::Current().NowMs() - m_nLastInput >= qint64(minutes) * 60 * 1000) {
        m_bReported = true;
        emit idleTimeout();
    }
}

bool CIdleWatch::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
            // Events reach the window and then each widget on the way: once is enough.
            if (watched->isWindowType()) {
                Touch();
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
