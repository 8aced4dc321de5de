#include "platform/clock.h"

#include <QDeadlineTimer>

#include <ctime>

namespace {

const CClock*& Installed() {
    static const CClock* clock = nullptr;
    return clock;
}

}  // namespace

qint64 CClock::NowMs() const {
#if defined(CLOCK_BOOTTIME)
    // A countdown started before a suspend is over after it, as the user expects.
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) == 0) {
        return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    }
#endif
    return QDeadlineTimer::current().deadline();
}

const CClock& CClock::Current() {
    static const CClock real;
    return Installed() ? *Installed() : real;
}

void CClock::SetCurrent(const CClock* clock) {
    Installed() = clock;
}
