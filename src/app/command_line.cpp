#include "app/command_line.h"

using namespace Qt::StringLiterals;

namespace {

// "/p", "-p" -> "p"; not a switch -> empty.  "--help" and "--print-to-pdf" keep one dash less.
QString SwitchName(const QString& arg) {
    if (arg.size() < 2 || (arg[0] != u'/' && arg[0] != u'-')) {
        return {};
    }
    // An absolute path such as /home/user/x.zlm is a file, not a switch.
    if (arg[0] == u'/' && arg.indexOf(u'/', 1) >= 0) {
        return {};
    }
    return arg.mid(arg.startsWith(u"--"_s) ? 2 : 1).toLower();
}

}  // namespace

SCommandLine ParseCommandLine(const QStringList& args) {
    SCommandLine line;
    bool printTo = false;
    const auto parameter = [&line, &printTo](const QString& arg) {
        // With /pt, the first parameter is the vault and the next the printer.
        if (printTo && !line.file.isEmpty() && line.printer.isEmpty()) {
            line.printer = arg;
        } else if (line.file.isEmpty()) {
            line.file = arg;
        } else {
            line.ignored << u"Nur eine Datei wird geöffnet; nicht beachtet: %1"_s.arg(arg);
        }
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const QString name = SwitchName(arg);
        if (name.isEmpty()) {
            parameter(arg);
            continue;
        }
        if (name == u"p"_s) {
            line.action = SCommandLine::EAction::kPrint;
        } else if (name == u"pt"_s) {
            line.action = SCommandLine::EAction::kPrintTo;
            printTo = true;
        } else if (name == u"dde"_s) {
            line.action = SCommandLine::EAction::kDde;
        } else if (name == u"embedding"_s || name == u"automation"_s) {
            line.action = SCommandLine::EAction::kAutomation;
            line.embedding = name == u"embedding"_s;
        } else if (name == u"help"_s || name == u"h"_s || name == u"?"_s) {
            line.action = SCommandLine::EAction::kHelp;
        } else if (name == u"print-to-pdf"_s) {
            if (i + 2 >= args.size()) {
                line.error = u"--print-to-pdf braucht eine PDF-Datei und einen Tresor."_s;
                return line;
            }
            line.action = SCommandLine::EAction::kPrintToPdf;
            line.pdfFile = args[++i];
            line.file = args[++i];
        } else if (arg[0] == u'/') {
            parameter(arg);  // a file at the top of the tree, such as /x.zlm
        } else {
            line.ignored << u"Unbekannte Option nicht beachtet: %1"_s.arg(arg);
        }
    }
    if (line.action == SCommandLine::EAction::kNew && !line.file.isEmpty()) {
        line.action = SCommandLine::EAction::kOpen;
    }
    if ((line.action == SCommandLine::EAction::kPrint || line.action == SCommandLine::EAction::kPrintTo) &&
        line.file.isEmpty() && line.error.isEmpty()) {
        line.error = u"Zum Drucken fehlt die Datei."_s;
    }
    if (line.action == SCommandLine::EAction::kPrintTo && line.printer.isEmpty() && line.error.isEmpty()) {
        line.error = u"/pt braucht den Namen des Druckers."_s;
    }
    return line;
}

QString CommandLineUsage() {
    return u"Aufruf: zelmora [TRESOR.zlm]\n"
           u"       zelmora /p TRESOR.zlm             druckt die Liste auf dem Standarddrucker und endet\n"
           u"       zelmora /pt TRESOR.zlm DRUCKER    druckt die Liste auf DRUCKER und endet\n"
           u"       zelmora --print-to-pdf DATEI.pdf TRESOR.zlm\n"
           u"                                         schreibt die gedruckte Seite als PDF und endet\n"
           u"       zelmora /dde                      startet ohne Datei\n"
           u"       zelmora /Embedding | /Automation  startet ohne Fenster als Automatisierungsserver\n"
           u"       zelmora --help                    zeigt diese Hilfe\n"
           u"\n"
           u"Schalter dürfen auch mit \"-\" beginnen; Groß- und Kleinschreibung zählt nicht.\n"
           u"Läuft Zelmora schon, öffnet das laufende Programm die angegebene Datei.\n"_s;
}
