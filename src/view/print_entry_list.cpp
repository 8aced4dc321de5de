#include "view/print_entry_list.h"

#include "dialogs/dialog_support.h"
#include "platform/message_box.h"
#include "platform/modal.h"
#include "platform/product.h"
#include "platform/text_codec.h"
#include "resources/resource_ids.h"
#include "vault/vault_data.h"

#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The default face with a character cell (ascent plus descent) of `cell` device pixels.
QFont CellFont(const QPaintDevice& device, double cell) {
    QFont font(QGuiApplication::font().family());
    constexpr double kProbePoints = 120;
    font.setPointSizeF(kProbePoints);
    const QFontMetricsF probe(font, &device);
    const double probeCell = probe.ascent() + probe.descent();
    if (probeCell > 0) {
        font.setPointSizeF(kProbePoints * cell / probeCell);
    }
    return font;
}

// Where text continues after a tab, for a field ending at `end` (all in 0.01 inch): the first stop
// beyond the end (a field that reaches a stop goes on to the next one), and past the last stop
// every eight average characters from the tab origin.
double NextTabPosition(double end, double averageCharWidth) {
    for (const double stop : print_layout::kTabStops) {
        if (print_layout::kTabOrigin + stop > end) {
            return print_layout::kTabOrigin + stop;
        }
    }
    const double step = 8 * averageCharWidth;
    if (step <= 0) {
        return end;
    }
    return print_layout::kTabOrigin + (std::floor((end - print_layout::kTabOrigin) / step) + 1) * step;
}

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

bool PaintPage(QPrinter& printer, const CVaultData& data) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    PrintEntryList(painter, data);
    if (!painter.end()) {
        return false;
    }
    // The page holds every password in plain text: a PDF of it is for its owner's eyes only.
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        QFile::setPermissions(printer.outputFileName(), kOwnerOnly);
    }
    return true;
}

void ShowPrintFailed(QWidget* parent) {
    ZMessageBox(u"Der Druckauftrag konnte nicht gestartet werden."_s, QMessageBox::Ok, QMessageBox::NoIcon,
                parent);
}

}  // namespace

void PrintEntryList(QPainter& painter, const CVaultData& data) {
    using namespace print_layout;
    if (!painter.isActive()) {
        return;
    }
    const QPaintDevice& device = *painter.device();
    // Device pixels per 0.01 inch.
    const double unitX = device.logicalDpiX() / 100.0;
    const double unitY = device.logicalDpiY() / 100.0;
    if (unitX <= 0 || unitY <= 0) {
        return;
    }
    painter.save();
    const QFont font = CellFont(device, kCellHeight * unitY);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &device);
    const double averageCharWidth = metrics.averageCharWidth() / unitX;
    const double pageHeight = device.height() / unitY;

    double top = kFirstTop;
    for (int position = 0; position < data.GetEntryCount(); ++position, top += kLineStep) {
        // One page: a line that does not fit whole is left out, and so is every one after it.
        if (top + kCellHeight > pageHeight) {
            break;
        }
        const CEntry& entry = data.GetEntryAt(position);
        const QString line = TextFromVault(entry.GetSeite()) + u'\t' + TextFromVault(entry.GetName()) +
                             u'\t' + TextFromVault(entry.GetPasswort());
        const double baseline = top * unitY + metrics.ascent();
        double x = kLeft;
        const QStringList fields = line.split(u'\t');
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const QString& field = fields.at(i);
            if (!field.isEmpty()) {
                painter.drawText(QPointF(x * unitX, baseline), field);
            }
            if (i + 1 < fields.size()) {
                x = NextTabPosition(x + metrics.horizontalAdvance(field) / unitX, averageCharWidth);
            }
        }
    }
    painter.restore();
}

bool PrintEntryListToPdf(const CVaultData& data, const QString& filePath) {
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kOwnerOnly)) {
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setCreator(QString::fromLatin1(product::kAppTitle));
        QPainter painter;
        if (!painter.begin(&writer)) {
            return false;
        }
        PrintEntryList(painter, data);
        if (!painter.end()) {
            return false;
        }
    }
    return file.commit();
}

CEntryListPrinter::CEntryListPrinter() = default;
CEntryListPrinter::~CEntryListPrinter() = default;

QPrinter& CEntryListPrinter::Printer() {
    if (!m_pPrinter) {
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_pPrinter->setDocName(QString::fromLatin1(product::kAppTitle));
        // Without any printer Qt falls back to a PDF file, but proposes no name for it.
        if (m_pPrinter->outputFormat() == QPrinter::PdfFormat && m_pPrinter->outputFileName().isEmpty()) {
            m_pPrinter->setOutputFileName(QDir::homePath() + u"/Zelmora.pdf"_s);
        }
    }
    return *m_pPrinter;
}

bool CEntryListPrinter::Print(const CVaultData& data, QWidget* parent) {
    QPrintDialog dialog(&Printer(), DialogOwner(parent));
    // The job has one page; there is no range to choose.
    dialog.setMinMax(1, 1);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (RunModal(dialog) != zid::IDOK) {
        return false;
    }
    if (!PaintPage(Printer(), data)) {
        ShowPrintFailed(parent);
        return false;
    }
    return true;
}

void CEntryListPrinter::Preview(const CVaultData& data, QWidget* parent) {
    QPrintPreviewDialog dialog(&Printer(), DialogOwner(parent));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&data](QPrinter* printer) {
        QPainter painter(printer);
        PrintEntryList(painter, data);
    });
    RunModal(dialog);
}

bool CEntryListPrinter::PageSetup(QWidget* parent) {
    QPageSetupDialog dialog(&Printer(), DialogOwner(parent));
    return RunModal(dialog) == zid::IDOK;
}

bool CEntryListPrinter::PrintDirect(const CVaultData& data, const QString& printerName, QWidget* parent) {
    const QPrinterInfo target =
        printerName.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(printerName);
    if (target.isNull()) {
        ZMessageBox(printerName.isEmpty() ? u"Es ist kein Standarddrucker eingerichtet."_s
                                          : u"Der Drucker \"%1\" wurde nicht gefunden."_s.arg(printerName),
                    QMessageBox::Ok, QMessageBox::NoIcon, parent);
        return false;
    }
    QPrinter& printer = Printer();
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(target.printerName());
    if (!PaintPage(printer, data)) {
        ShowPrintFailed(parent);
        return false;
    }
    return true;
}
