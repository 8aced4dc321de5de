// Answers every message box while the object lives: records each call and replies with the
// buttons queued, then with what Escape would give (Cancel, else No, else OK).
#pragma once

#include "platform/message_box.h"

#include <deque>
#include <initializer_list>
#include <vector>

class CMessageBoxAnswers {
public:
    explicit CMessageBoxAnswers(std::initializer_list<QMessageBox::StandardButton> replies = {})
        : m_replies(replies) {
        SetMessageBoxAnswer([this](const SMessageBoxCall& call) {
            m_calls.push_back(call);
            if (!m_replies.empty()) {
                const QMessageBox::StandardButton reply = m_replies.front();
                m_replies.pop_front();
                return reply;
            }
            return EscapeAnswer(call.buttons);
        });
    }
    ~CMessageBoxAnswers() { SetMessageBoxAnswer({}); }
    CMessageBoxAnswers(const CMessageBoxAnswers&) = delete;
    CMessageBoxAnswers& operator=(const CMessageBoxAnswers&) = delete;

    void Reply(QMessageBox::StandardButton button) { m_replies.push_back(button); }
    const std::vector<SMessageBoxCall>& Calls() const { return m_calls; }

    static QMessageBox::StandardButton EscapeAnswer(QMessageBox::StandardButtons buttons) {
        for (const auto button : {QMessageBox::Cancel, QMessageBox::No}) {
            if (buttons.testFlag(button)) {
                return button;
            }
        }
        return QMessageBox::Ok;
    }

private:
    std::deque<QMessageBox::StandardButton> m_replies;
    std::vector<SMessageBoxCall> m_calls;
};
