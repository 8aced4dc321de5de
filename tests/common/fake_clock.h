// A clock that stands still until the test moves it, installed while the object lives.
#pragma once

#include "platform/clock.h"

class CFakeClock : public CClock {
public:
    CFakeClock() { CClock::SetCurrent(this); }
    ~CFakeClock() override { CClock::SetCurrent(nullptr); }
    CFakeClock(const CFakeClock&) = delete;
    CFakeClock& operator=(const CFakeClock&) = delete;

    qint64 NowMs() const override { return m_now; }
    void Advance(qint64 ms) { m_now += ms; }

private:
    qint64 m_now = 1000000;
};
