// Vault passwords for the command line: asked on the terminal without echo, or one line of
// standard input each when it is not a terminal.
#pragma once

#include <QString>

#include <string>

// Reads one password as UTF-8 (without its line end).  False when none can be read (end of input
// or the terminal failed); message then says why.
bool ReadPassword(const QString& prompt, std::string& utf8, QString& message);

// Whether passwords are typed by a person (then new passwords are asked twice).
bool PasswordsFromTerminal();
