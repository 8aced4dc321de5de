#include "resources/app_icon.h"

#include <QString>

QIcon AppIcon() {
    // The resources sit in a static library, whose registration the linker would otherwise drop.
    static const bool registered = [] {
        Q_INIT_RESOURCE(zelmora);
        return true;
    }();
    (void)registered;
    return QIcon(QStringLiteral(":/icons/zelmora.svg"));
}
