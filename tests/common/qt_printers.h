// Readable failure messages: GoogleTest prints Qt texts (and lists of them) as text, not bytes.
#pragma once

#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
