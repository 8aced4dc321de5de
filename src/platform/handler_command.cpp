#include "platform/handler_command.h"

using namespace Qt::StringLiterals;

namespace {

// The template before its placeholder; the whole template when it has none.
QString CutAtPlaceholder(const QString& commandTemplate) {
    qsizetype cut = commandTemplate.indexOf(u"\"%1\""_s);
    if (cut < 0) {
        cut = commandTemplate.indexOf(u"%1"_s);
    }
    return cut < 0 ? commandTemplate : commandTemplate.left(cut);
}

// Words separated by blanks; a double-quoted part may hold blanks, and inside it a backslash
// escapes '"', '`', '$' and '\'.  False on an unterminated quote.
bool SplitCommand(const QString& command, QStringList& words) {
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < command.size() &&
                       QStringView(u"\"`$\\").contains(command.at(i + 1))) {
                word.append(command.at(++i));
            } else {
                word.append(c);
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord) {
                words.append(word);
                word.clear();
                inWord = false;
            }
        } else {
            quoted = c == u'"';
            if (!quoted) {
                word.append(c);
            }
            inWord = true;
        }
    }
    if (quoted) {
        return false;
    }
    if (inWord) {
        words.append(word);
    }
    return true;
}

}  // namespace

QStringList HandlerArguments(const QString& commandTemplate, const QString& address) {
    if (address.startsWith(u'-')) {
        return {};
    }
    QStringList words;
    if (!SplitCommand(CutAtPlaceholder(commandTemplate), words) || words.isEmpty() ||
        words.first().isEmpty()) {
        return {};
    }
    // An empty address adds no argument, as "program " + "" had none.
    if (!address.isEmpty()) {
        words.append(address);
    }
    return words;
}
