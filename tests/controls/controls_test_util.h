// Helpers of the control tests: synthetic mouse events with explicit button state, and a recorder of
// the events a widget receives.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QList>
#include <QMouseEvent>
#include <QObject>
#include <QPoint>
#include <QWidget>

#include <vector>

namespace ctest {

inline void Mouse(QWidget* target, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
                  Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(target, &event);
}

inline void Press(QWidget* target, const QPoint& pos, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(target, QEvent::MouseButtonPress, pos, button, button);
}

inline void Release(QWidget* target, const QPoint& pos, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(target, QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
}

inline void Move(QWidget* target, const QPoint& pos, Qt::MouseButtons buttons = Qt::NoButton) {
    Mouse(target, QEvent::MouseMove, pos, Qt::NoButton, buttons);
}

inline void Click(QWidget* target, const QPoint& pos, Qt::MouseButton button = Qt::LeftButton) {
    Press(target, pos, button);
    Release(target, pos, button);
}

// Records the mouse and key events that reach a widget.
class CEventRecorder : public QObject {
public:
    struct Seen {
        QEvent::Type type;
        QPoint pos;
        QPoint globalPos;
        Qt::MouseButton button;
    };

    explicit CEventRecorder(QWidget* widget) { widget->installEventFilter(this); }

    std::vector<Seen> events;

    const Seen* Last(QEvent::Type type) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it) {
            if (it->type == type) {
                return &*it;
            }
        }
        return nullptr;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove: {
                const auto* m = static_cast<QMouseEvent*>(event);
                events.push_back(
                    {event->type(), m->position().toPoint(), m->globalPosition().toPoint(), m->button()});
                break;
            }
            case QEvent::KeyPress:
            case QEvent::Paint:
                events.push_back({event->type(), QPoint(), QPoint(), Qt::NoButton});
                break;
            default:
                break;
        }
        return false;
    }
};

}  // namespace ctest
