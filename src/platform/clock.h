// The time that countdowns and idle times go by.  Tests put a clock of their own in its place, so
// that nothing waits in real time.
#pragma once

#include <QtGlobal>

class CClock {
public:
    virtual ~CClock() = default;
    // Milliseconds on a clock that never goes back and runs on while the machine sleeps.
    virtual qint64 NowMs() const;

    // The clock in use.
    static const CClock& Current();
    // nullptr restores the real clock.  The clock must outlive its use.
    static void SetCurrent(const CClock* clock);
};
