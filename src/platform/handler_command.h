// The command line of the registered HTML handler with an address, as a list of arguments that no
// shell sees.
#pragma once

#include <QString>
#include <QStringList>

// The fallback's whole argument list, the one place it is made: the program and the arguments of
// the template cut at its first "\"%1\"" or else "%1" (text after the placeholder is dropped; no
// placeholder keeps it whole), split by the Desktop Entry quoting rules, then the address as one
// single argument (none when it is empty).  Empty when the template cannot be split, and for an
// address that begins with "-", which the program would take for an option.
QStringList HandlerArguments(const QString& commandTemplate, const QString& address);
