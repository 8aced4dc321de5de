// The state of the Caps, Num and Scroll locks, for the status bar's indicators.
#pragma once

struct SLockState {
    bool known = false;  // false where the platform cannot tell: the indicators stay empty
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

SLockState ReadLockState();
