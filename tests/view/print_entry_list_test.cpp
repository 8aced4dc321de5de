#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "message_box_answers.h"
#include "modal_driver.h"
#include "qt_printers.h"
#include "vault/vault_data.h"
#include "view/print_entry_list.h"

using namespace Qt::StringLiterals;

namespace {

// What pdftotext -bbox reads from a PDF: pages, and words with their boxes in points (0.01 inch
// is 0.72 points), top to bottom, then left to right.
struct SPdfWord {
    QString text;
    double xMin, yMin, yMax;
    int page;  // from 0
};
struct SPdfText {
    int pages = 0;
    double width = 0, height = 0;
    std::vector<SPdfWord> words;
};

SPdfText ReadPdf(const QString& path) {
    SPdfText result;
    QProcess process;
    process.start(u"pdftotext"_s, {u"-bbox"_s, path, u"-"_s});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext (Debian poppler-utils) failed on " << path.toStdString();
        return result;
    }
    static const QRegularExpression page(uR"re(<page width="([\d.]+)" height="([\d.]+)">)re"_s);
    static const QRegularExpression word(
        uR"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split(u'\n')) {
        if (const auto match = page.match(line); match.hasMatch()) {
            ++result.pages;
            result.width = match.captured(1).toDouble();
            result.height = match.captured(2).toDouble();
        } else if (const auto match = word.match(line); match.hasMatch()) {
            result.words.push_back({match.captured(4), match.captured(1).toDouble(),
                                    match.captured(2).toDouble(), match.captured(3).toDouble(),
                                    result.pages - 1});
        }
    }
    std::sort(result.words.begin(), result.words.end(), [](const SPdfWord& a, const SPdfWord& b) {
        if (a.page != b.page) {
            return a.page < b.page;
        }
        return std::abs(a.yMin - b.yMin) > 1 ? a.yMin < b.yMin : a.xMin < b.xMin;
    });
    return result;
}

// The words of the line whose cell starts at `top` (0.01 inch) on a page, as (text, x in 0.01 inch).
std::vector<std::pair<QString, int>> Line(const SPdfText& text, double top, int page = 0) {
    std::vector<std::pair<QString, int>> line;
    for (const SPdfWord& word : text.words) {
        if (word.page == page && std::abs(word.yMin - top * 0.72) < 1) {
            line.emplace_back(word.text, static_cast<int>(std::lround(word.xMin / 0.72)));
        }
    }
    return line;
}

using Words = std::vector<std::pair<QString, int>>;

TEST(PrintEntryListTest, LinesAtTheirTabStopsInHundredthsOfAnInchAndTheRestOnTheNextPage) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString pdf = folder.filePath(u"liste.pdf"_s);
    CVaultData data;
    ASSERT_TRUE(PrintEntryListToPdf(data, pdf));
    EXPECT_EQ(ReadPdf(pdf).pages, 1);
    EXPECT_TRUE(ReadPdf(pdf).words.empty()) << "an empty vault prints an empty page";

    data.AddEntry("M\xfcller", "Stra\xdf\x65", "\x80uro", "Kommentar");  // Windows-1252 texts
    data.AddEntry(std::string(34, 'W'), "Name", "Geheim", "");           // ends between 3 and 4 inches
    data.AddEntry("", "Nur", "", "");
    data.AddEntry("Tab\tIn", "Name", "Geheim", "");
    for (int i = 4; i < 80; ++i) {
        data.AddEntry("S" + std::to_string(i), "N", "P", "K");
    }
    ASSERT_TRUE(PrintEntryListToPdf(data, pdf));
    EXPECT_EQ(QFile::permissions(pdf) & 0x0077, 0) << "passwords in plain text: for the owner only";
    const SPdfText text = ReadPdf(pdf);
    EXPECT_EQ(text.pages, 2);
    // A4; the printable area is the whole page.
    EXPECT_NEAR(text.width, 595.3, 0.5);
    EXPECT_NEAR(text.height, 841.9, 0.5);

    // Site at 0.05 inch, then the stops at 3, 4, 5 inches; a field that passes a stop pushes the
    // next one on; the comment is not printed.
    EXPECT_EQ(Line(text, 20), (Words{{u"Müller"_s, 5}, {u"Straße"_s, 300}, {u"€uro"_s, 400}}));
    EXPECT_EQ(Line(text, 40), (Words{{QString(34, u'W'), 5}, {u"Name"_s, 400}, {u"Geheim"_s, 500}}));
    EXPECT_EQ(Line(text, 60), (Words{{u"Nur"_s, 300}}));
    EXPECT_EQ(Line(text, 80), (Words{{u"Tab"_s, 5}, {u"In"_s, 300}, {u"Name"_s, 400}, {u"Geheim"_s, 500}}));
    // The cell is 0.12 inch high and starts 0.2 inch down; then a line every 0.2 inch, as many as
    // fit whole: tops 20 to 1140 on the 11.69-inch page.
    EXPECT_NEAR(text.words[0].yMin, 14.4, 0.05);
    EXPECT_NEAR(text.words[0].yMax - text.words[0].yMin, 8.64, 0.05);
    EXPECT_EQ(Line(text, 1140), (Words{{u"S56"_s, 5}, {u"N"_s, 300}, {u"P"_s, 400}}));
    EXPECT_TRUE(Line(text, 1160).empty());
    // The next line would cross the edge: it starts page 2, laid out like the first.
    EXPECT_EQ(Line(text, 20, 1), (Words{{u"S57"_s, 5}, {u"N"_s, 300}, {u"P"_s, 400}}));
    EXPECT_EQ(Line(text, 460, 1), (Words{{u"S79"_s, 5}, {u"N"_s, 300}, {u"P"_s, 400}}));
    EXPECT_EQ(text.words.back().text, u"P"_s);
    EXPECT_NEAR(text.words.back().yMin, 460 * 0.72, 0.05);

    EXPECT_FALSE(PrintEntryListToPdf(data, folder.filePath(u"fehlt/liste.pdf"_s))) << "unwritable folder";
}

TEST(PrintEntryListTest, ALineTheEdgeWouldCutIsLeftOut) {
    CVaultData data;
    for (int i = 0; i < 80; ++i) {
        data.AddEntry("Seite" + std::to_string(i), "Name", "Pass", "");
    }
    // 9.91 inches at 100 dpi: the cell of the line at 9.80 inches would end below the edge.
    QImage page(850, 991, QImage::Format_RGB32);
    page.setDotsPerMeterX(3937);
    page.setDotsPerMeterY(3937);
    page.fill(Qt::white);
    QPainter painter(&page);
    PrintEntryList(painter, data);
    painter.end();
    const auto inkInRows = [&](int from, int to) {
        for (int y = from; y < to; ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (qGray(page.pixel(x, y)) < 160) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(inkInRows(960, 972));
    EXPECT_FALSE(inkInRows(972, page.height()));
}

TEST(EntryListPrinterTest, ThePrintDialogAndThePreviewShowTheSameSinglePage) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString pdf = folder.filePath(u"gedruckt.pdf"_s);
    CVaultData data;
    data.AddEntry("Seite", "Name", "Geheim", "");
    CEntryListPrinter printer;
    // No printer is needed: the dialog's print-to-PDF choice.
    printer.Printer().setOutputFormat(QPrinter::PdfFormat);
    printer.Printer().setOutputFileName(pdf);

    int previewPages = -1;
    const CModalDriver driver{[&](QDialog& dialog) {
        auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        ASSERT_NE(preview, nullptr);
        preview->updatePreview();
        previewPages = preview->pageCount();
    }};
    printer.Preview(data, nullptr);
    EXPECT_EQ(previewPages, 1);

    EXPECT_FALSE(printer.Print(data, nullptr)) << "cancelled";
    EXPECT_FALSE(QFile::exists(pdf));
    const CModalDriver accept{[](QDialog& dialog) { dialog.accept(); }};
    EXPECT_TRUE(printer.Print(data, nullptr));
    EXPECT_EQ(QFile::permissions(pdf) & 0x0077, 0);
    const SPdfText text = ReadPdf(pdf);
    EXPECT_EQ(text.pages, 1);
    ASSERT_EQ(text.words.size(), 3u);
    EXPECT_EQ(text.words[2].text, u"Geheim"_s);

    const CMessageBoxAnswers boxes;
    EXPECT_FALSE(printer.PrintDirect(data, u"Kein Drucker Namens Zelmora"_s, nullptr));
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, u"Der Drucker \"Kein Drucker Namens Zelmora\" wurde nicht gefunden."_s);
}

// 200 entries: four A4 pages of 57, 57, 57 and 29 lines.
void AddTwoHundredEntries(CVaultData& data) {
    for (int i = 0; i < 200; ++i) {
        data.AddEntry("Seite" + std::to_string(i), "Name", "P" + std::to_string(i), "");
    }
}

// Every site of the printout, in print order, and how many lines each page holds.
void ExpectEveryEntryOnItsPage(const SPdfText& text) {
    ASSERT_EQ(text.pages, 4);
    QStringList sites;
    std::vector<int> lines(4);
    for (const SPdfWord& word : text.words) {
        if (word.text.startsWith(u"Seite"_s)) {
            sites << word.text;
            ++lines[static_cast<std::size_t>(word.page)];
        }
    }
    ASSERT_EQ(sites.size(), 200);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(sites[i], u"Seite%1"_s.arg(i));
    }
    EXPECT_EQ(lines, (std::vector<int>{57, 57, 57, 29}));
    EXPECT_EQ(Line(text, 20, 3).front().first, u"Seite171"_s);
    EXPECT_EQ(Line(text, 580, 3).front().first, u"Seite199"_s);
}

TEST(EntryListPrinterTest, APrintoutAndItsPreviewHaveEveryEntryOnAsManyPagesAsItNeeds) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    CVaultData data;
    AddTwoHundredEntries(data);
    const QString pdf = folder.filePath(u"liste.pdf"_s);
    ASSERT_TRUE(PrintEntryListToPdf(data, pdf));
    ExpectEveryEntryOnItsPage(ReadPdf(pdf));

    CEntryListPrinter printer;
    printer.Printer().setOutputFormat(QPrinter::PdfFormat);
    printer.Printer().setPageSize(QPageSize(QPageSize::A4));
    printer.Printer().setFullPage(true);
    int previewPages = -1;
    const CModalDriver driver{[&](QDialog& dialog) {
        auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        ASSERT_NE(preview, nullptr);
        preview->updatePreview();
        previewPages = preview->pageCount();
    }};
    printer.Preview(data, nullptr);
    EXPECT_EQ(previewPages, 4);
}

// Records the mode of every file created in a folder at the moment it appears.
class CCreationWatch {
public:
    explicit CCreationWatch(const QString& folder) : m_folder(QFile::encodeName(folder).toStdString()) {
        m_fd = inotify_init1(IN_CLOEXEC);
        EXPECT_GE(m_fd, 0);
        EXPECT_GE(inotify_add_watch(m_fd, m_folder.c_str(), IN_CREATE), 0);
        EXPECT_EQ(pipe(m_stop), 0);
        m_thread = std::thread([this] { Run(); });
    }
    ~CCreationWatch() {
        if (write(m_stop[1], "x", 1) != 1) {
            ADD_FAILURE();
        }
        m_thread.join();
        close(m_fd);
        close(m_stop[0]);
        close(m_stop[1]);
    }
    CCreationWatch(const CCreationWatch&) = delete;
    CCreationWatch& operator=(const CCreationWatch&) = delete;

    // Files created so far with the permission bits they had then.
    std::vector<std::pair<std::string, unsigned>> Created() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_created;
    }

private:
    void Run() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) {
                return;
            }
            const ssize_t n = read(m_fd, buffer, sizeof buffer);
            for (ssize_t at = 0; n > 0 && at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0) {
                    struct stat st {};
                    const std::string path = m_folder + "/" + event->name;
                    const unsigned mode = stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
                    const std::lock_guard<std::mutex> lock(m_mutex);
                    m_created.emplace_back(event->name, mode);
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    std::string m_folder;
    int m_fd = -1;
    int m_stop[2] = {-1, -1};
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::pair<std::string, unsigned>> m_created;
};

TEST(EntryListPrinterTest, EveryPdfIsTheOwnersAloneFromItsFirstByteAndReplacesNoFileInPlace) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const mode_t savedMask = umask(022);
    CVaultData data;
    AddTwoHundredEntries(data);
    CEntryListPrinter printer;
    printer.Printer().setOutputFormat(QPrinter::PdfFormat);
    printer.Printer().setPageSize(QPageSize(QPageSize::A4));
    printer.Printer().setFullPage(true);
    // The three ways to a PDF: the command line's, the print dialog's and the preview's button.
    const std::function<bool(const QString&)> routes[] = {
        [&](const QString& path) { return PrintEntryListToPdf(data, path); },
        [&](const QString& path) {
            printer.Printer().setOutputFileName(path);
            const CModalDriver accept{[](QDialog& dialog) { dialog.accept(); }};
            return printer.Print(data, nullptr);
        },
        [&](const QString& path) {
            const CModalDriver driver{[&](QDialog& dialog) {
                auto* preview = dialog.findChild<QPrintPreviewWidget*>();
                ASSERT_NE(preview, nullptr);
                printer.Printer().setOutputFileName(path);
                preview->print();  // what the button does once the file is chosen
            }};
            printer.Preview(data, nullptr);
            return true;
        },
    };
    int route = 0;
    for (const auto& print : routes) {
        SCOPED_TRACE(route);
        // A new file: no moment in which anyone else may open it.
        const QString fresh = folder.filePath(u"neu%1.pdf"_s.arg(route));
        {
            CCreationWatch watch(folder.path());
            ASSERT_TRUE(print(fresh));
            const auto created = watch.Created();
            EXPECT_FALSE(created.empty());
            for (const auto& [name, mode] : created) {
                EXPECT_EQ(mode & 0077, 0u) << name << " was created with mode " << std::oct << mode;
            }
        }
        EXPECT_EQ(QFile::permissions(fresh) & 0x0077, 0);
        ExpectEveryEntryOnItsPage(ReadPdf(fresh));

        // An existing file that others could read: whoever holds it open keeps its old bytes.
        const QString old = folder.filePath(u"alt%1.pdf"_s.arg(route));
        {
            QFile file(old);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("alter Inhalt");
        }
        ASSERT_EQ(chmod(QFile::encodeName(old).constData(), 0644), 0);
        QFile holder(old);
        ASSERT_TRUE(holder.open(QIODevice::ReadOnly));
        ASSERT_TRUE(print(old));
        EXPECT_EQ(holder.readAll(), QByteArray("alter Inhalt"));
        EXPECT_EQ(QFile::permissions(old) & 0x0077, 0);
        EXPECT_EQ(ReadPdf(old).pages, 4);
        ++route;
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 6) << "no file left behind";
    umask(savedMask);
}

}  // namespace
