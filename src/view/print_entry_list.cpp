#include "view/print_entry_list.h"

#include "dialogs/dialog_support.h"
#include "platform/message_box.h"
#include "platform/modal.h"
#include "platform/product.h"
#include "platform/text_codec.h"
#include "resources/resource_ids.h"
#include "vault/vault_data.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageSetupDialog>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#else
#include <QTemporaryFile>
#endif

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

// The pages hold every password in plain text, so a PDF of them is for its owner's eyes only, from
// its first byte: it is written into a new file beside the target that was created readable by the
// owner alone, and renamed over the target once it is whole.  Whoever held the old file open keeps
// the old bytes.
class COwnerOnlyPdf {
public:
    explicit COwnerOnlyPdf(const QString& target) : m_strTarget(target) {
        if (target.isEmpty()) {
            return;
        }
        const QFileInfo info(target);
        const QString pattern = info.absolutePath() + u"/."_s + info.fileName() + u"-XXXXXX.pdf"_s;
#if defined(Q_OS_UNIX)
        QByteArray name = QFile::encodeName(pattern);
        const int fd = mkostemps(name.data(), 4, O_CLOEXEC);  // mode 0600 whatever the umask
        if (fd >= 0) {
            m_nFd = fd;
            m_strTemp = QFile::decodeName(name);
        }
#else
        QTemporaryFile file(pattern);
        file.setAutoRemove(false);
        if (file.open()) {
            m_strTemp = file.fileName();
        }
#endif
    }
    ~COwnerOnlyPdf() {
        CloseDescriptor();
        if (!m_strTemp.isEmpty()) {
            QFile::remove(m_strTemp);
        }
    }
    COwnerOnlyPdf(const COwnerOnlyPdf&) = delete;
    COwnerOnlyPdf& operator=(const COwnerOnlyPdf&) = delete;

    bool IsOpen() const {
        return !m_strTemp.isEmpty();
    }
    const QString& TempPath() const {
        return m_strTemp;
    }
    // The new file's descriptor (-1 where there is none); it stays with this object.
    int Descriptor() const {
        return m_nFd;
    }

    // The written file to disk, then in the target's place.
    bool Commit() {
        if (m_strTemp.isEmpty()) {
            return false;
        }
#if defined(Q_OS_UNIX)
        const int fd =
            m_nFd >= 0 ? m_nFd : ::open(QFile::encodeName(m_strTemp).constData(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        if (fd != m_nFd && fd >= 0) {
            ::close(fd);
        }
        CloseDescriptor();
        if (!synced || std::rename(QFile::encodeName(m_strTemp).constData(),
                                   QFile::encodeName(m_strTarget).constData()) != 0) {
            return false;
        }
#else
        QFile::remove(m_strTarget);
        if (!QFile::rename(m_strTemp, m_strTarget)) {
            return false;
        }
#endif
        m_strTemp.clear();
        return true;
    }

private:
    void CloseDescriptor() {
#if defined(Q_OS_UNIX)
        if (m_nFd >= 0) {
            ::close(m_nFd);
            m_nFd = -1;
        }
#endif
    }

    QString m_strTarget;
    QString m_strTemp;
    int m_nFd = -1;
};

bool PaintPages(QPrinter& printer, const CVaultData& data) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    PrintEntryList(painter, data);
    return painter.end();
}

// Prints on the printer; a PDF file goes through an owner-only file of its own.
bool PaintToPrinter(QPrinter& printer, const CVaultData& data) {
    if (printer.outputFormat() != QPrinter::PdfFormat) {
        return PaintPages(printer, data);
    }
    const QString target = printer.outputFileName();
    COwnerOnlyPdf file(target);
    if (!file.IsOpen()) {
        return false;
    }
    printer.setOutputFileName(file.TempPath());
    const bool painted = PaintPages(printer, data);
    printer.setOutputFileName(target);
    return painted && file.Commit();
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

    const int perPage = LinesPerPage(pageHeight);
    auto* pages = dynamic_cast<QPagedPaintDevice*>(painter.device());
    double top = kFirstTop;
    for (int position = 0, onPage = 0; position < data.GetEntryCount() && perPage > 0;
         ++position, ++onPage, top += kLineStep) {
        if (onPage == perPage) {
            // The page is full: the next one, laid out like the first.
            if (!pages || !pages->newPage()) {
                break;
            }
            onPage = 0;
            top = kFirstTop;
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

int LinesPerPage(double pageHeight) {
    using namespace print_layout;
    // Lines whose cells, kFirstTop + n * kLineStep to kCellHeight further down, end on the page; the
    // small tolerance keeps a cell that ends exactly at the edge.
    const double room = pageHeight - kFirstTop - kCellHeight;
    return room < 0 ? 0 : static_cast<int>(std::floor(room / kLineStep + 1e-9)) + 1;
}

bool PrintEntryListToPdf(const CVaultData& data, const QString& filePath) {
    COwnerOnlyPdf pdf(filePath);
    if (!pdf.IsOpen()) {
        return false;
    }
    QFile file;
#if defined(Q_OS_UNIX)
    if (!file.open(pdf.Descriptor(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        return false;
    }
#else
    file.setFileName(pdf.TempPath());
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
#endif
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
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        return false;
    }
    file.close();
    return pdf.Commit();
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
    // The job prints every entry; there is no range to choose.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (RunModal(dialog) != zid::IDOK) {
        return false;
    }
    if (!PaintToPrinter(Printer(), data)) {
        ShowPrintFailed(parent);
        return false;
    }
    return true;
}

void CEntryListPrinter::Preview(const CVaultData& data, QWidget* parent) {
    QPrintPreviewDialog dialog(&Printer(), DialogOwner(parent));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&data](QPrinter* printer) {
        // The preview draws through an engine of its own; its print button through the printer's.
        if (printer->paintEngine() && printer->paintEngine()->type() == QPaintEngine::Pdf) {
            PaintToPrinter(*printer, data);
            return;
        }
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
    if (!PaintToPrinter(printer, data)) {
        ShowPrintFailed(parent);
        return false;
    }
    return true;
}
