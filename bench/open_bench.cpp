// Opening a large encrypted vault in the window: the time from the document's read to the filled
// list, beside the core's read of the same file alone (the baseline, in the same process), and
// the resident memory per entry with a million entries shown.
//
//   QT_QPA_PLATFORM=offscreen zelmora-bench-open [entries for the memory run, default 1000000]
#include "app/main_frame.h"
#include "controls/sort_list_ctrl.h"
#include "document/zelmora_doc.h"
#include "platform/document.h"
#include "platform/modal.h"
#include "vault/vault_file.h"
#include "view/zelmora_view.h"
#include "window_bench.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>

#include <malloc.h>
#include <string>

namespace {

const std::string kPassword = "Geheimnis";

double Seconds(const std::chrono::steady_clock::time_point& since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * 4;
}

void WriteVault(const QString& path, int entries) {
    CVaultData data;
    data.ReserveEntries(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const std::string n = std::to_string(i);
        data.AddEntry("www.site" + n + ".example", "user" + n, "pw-" + n + "-x", "Kommentar " + n);
    }
    data.SetVaultPassword(kPassword);
    SaveVaultFile(PathToCore(path), data);
}

// The password dialog answers with the vault's password.
void AnswerPassword() {
    SetModalHook([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"))
            ->setText(QString::fromStdString(kPassword));
        dialog.accept();
    });
}

}  // namespace

int main(int argc, char** argv) {
    const CWindowBench bench(argc, argv);
    const int memoryEntries = argc > 1 ? std::atoi(argv[1]) : 1000000;
    AnswerPassword();

    CZelmoraDoc doc;
    CMainFrame frame(doc);
    frame.ActivateFrame(5);
    QApplication::processEvents();

    // Memory first, in a process that has held nothing larger yet.
    const QString big = bench.File(QStringLiteral("million.zlm"));
    WriteVault(big, memoryEntries);
    malloc_trim(0);  // what writing the file held goes back, so that it cannot hide the cost
    const long before = ResidentKiB();
    doc.LoadVault(big);
    QApplication::processEvents();
    const long after = ResidentKiB();
    const double perEntry = (after - before) * 1024.0 / memoryEntries;
    std::printf("%d entries open: %ld KiB resident more, %.0f bytes per entry (target at most 1024: %s)\n",
                memoryEntries, after - before, perEntry, perEntry <= 1024 ? "met" : "MISSED");
    doc.RemoveAllEntries();
    doc.OnNewDocument();
    doc.UpdateAllViews();
    QFile::remove(big);

    constexpr int kEntries = 100000;
    const QString path = bench.File(QStringLiteral("gross.zlm"));
    WriteVault(path, kEntries);
    double core = 1e9;
    double whole = 1e9;
    for (int round = 0; round < 5; ++round) {
        {
            CVaultData data;
            data.SetVaultPassword(kPassword);
            const auto start = std::chrono::steady_clock::now();
            LoadVaultFile(PathToCore(path), data);
            core = std::min(core, Seconds(start));
        }
        const auto start = std::chrono::steady_clock::now();
        doc.LoadVault(path);
        QApplication::processEvents();  // deferred layout and painting count too
        whole = std::min(whole, Seconds(start));
        if (frame.View().List().GetItemCount() != kEntries) {
            std::fprintf(stderr, "the list shows %d rows\n", frame.View().List().GetItemCount());
            return 1;
        }
    }
    const double ratio = whole / core;
    std::printf(
        "open %d entries: core read %.1f ms, read to filled list %.1f ms: %.2fx (target at most 2.00x: %s)\n",
        kEntries, core * 1000, whole * 1000, ratio, ratio <= 2.0 ? "met" : "MISSED");

    SetModalHook({});
    return 0;
}
