// Drives the dialogs that RunModal shows while the object lives: each run takes the next step
// queued (type, click, accept ...); a run without a step leaves the dialog open, so it is cancelled.
#pragma once

#include "platform/modal.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <initializer_list>

class CModalDriver {
public:
    explicit CModalDriver(std::initializer_list<ModalHook> steps = {}) : m_steps(steps) {
        SetModalHook([this](QDialog& dialog) {
            m_titles.append(dialog.windowTitle());
            if (m_steps.empty()) {
                return;
            }
            const ModalHook step = m_steps.front();
            m_steps.pop_front();
            step(dialog);
        });
    }
    ~CModalDriver() { SetModalHook({}); }
    CModalDriver(const CModalDriver&) = delete;
    CModalDriver& operator=(const CModalDriver&) = delete;

    void Then(ModalHook step) { m_steps.push_back(std::move(step)); }
    // Window titles of the dialogs run so far, in order.
    const QStringList& Titles() const { return m_titles; }

private:
    std::deque<ModalHook> m_steps;
    QStringList m_titles;
};
