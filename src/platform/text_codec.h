// Text at the GUI's edge: QString <-> the core's Windows-1252 bytes, through the core's codec.
#pragma once

#include <QString>

#include <string>

QString TextFromVault(const std::string& cp1252);

// For showing only: at most maxChars characters, a longer text cut and ended with "…", so that a
// huge field costs no more than that.
QString ShortTextFromVault(const std::string& cp1252, qsizetype maxChars);

// Characters without a byte in code page 1252 (and U+0000) cannot be stored: *ok becomes false
// and they are left out.
std::string TextToVault(const QString& text, bool* ok = nullptr);

bool IsStorableText(const QString& text);

