// The program's command line: a vault path and the switches /p, /pt, /dde, /Embedding and
// /Automation (each also with "-", in any case), plus --help and --print-to-pdf FILE VAULT.
#pragma once

#include <QString>
#include <QStringList>

struct SCommandLine {
    enum class EAction { kNew, kOpen, kPrint, kPrintTo, kDde, kAutomation, kPrintToPdf, kHelp };
    EAction action = EAction::kNew;
    QString file;     // the vault
    QString printer;  // /pt
    QString pdfFile;  // --print-to-pdf
    bool embedding = false;
    QString error;  // not empty: the line could not be read
    // What was passed over, one line each for standard error: further file names (the first one
    // is opened, as the framework does) and unknown switches.
    QStringList ignored;
};

// args without the program name.
SCommandLine ParseCommandLine(const QStringList& args);

// The German usage text for --help and for a line that cannot be read.
QString CommandLineUsage();
