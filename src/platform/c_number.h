// Numbers read from text the way the C library's atoi and strtod read them, whatever the locale:
// the sort types of the list and the version of the update check both count on that.
#pragma once

#include <QStringView>

namespace cnumber {

// White space, a sign, digits; clamped to the int range; no digits give 0.
int ReadInteger(QStringView text);

// White space, a sign, digits with a full stop and an exponent; too large gives infinity, too
// small zero.  Never depends on the C library's locale.
double ReadDecimal(QStringView text);

}  // namespace cnumber
