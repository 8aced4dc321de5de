// Qt strings that held a vault text are wiped before they are given back: a freed block keeps its
// bytes until it is used again.
#pragma once

#include <QByteArray>
#include <QString>

// Zeroes the whole buffer of text (also what lies beyond its size) and empties it.  Every string
// that shares the buffer sees the zeros too, so call it when all of them are done with the text.
// A string of static data (a literal) has nothing of the vault and is only emptied.
void WipeText(QString& text);
void WipeText(QByteArray& bytes);
