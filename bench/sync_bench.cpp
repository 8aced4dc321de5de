// Keeping the window's vault in step with its file, on vaults of 100,000 entries, each figure
// beside its baseline in the same process:
//   - the change check before a save (a stat; a hash when the stat differs) against the save;
//     goal: at most 0.2x;
//   - a merge of two versions with 1,000 changes each over their base, as the window runs it
//     (the base read back from its bytes on a second thread while theirs is read from the file, the
//     three-way merge), against
//     the core's read of one version; goal: at most 2x.
//
//   zelmora-bench-sync [entries, default 100000]
#include "vault/file_identity.h"
#include "vault/vault_file.h"
#include "vault/vault_merge.h"
#include "vault/vault_snapshot.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kPassword = "Geheimnis";

double Median(const std::function<void()>& run, int times) {
    std::vector<double> seconds;
    for (int i = 0; i < times; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

CEntry Typical(int i, const char* tag = "") {
    return CEntry("https://www.beispiel-" + std::to_string(i) + tag + ".de/anmeldung",
                  "benutzer.m\xFCller" + std::to_string(i), "Pa\xDF<w>rt-" + std::to_string(i * 7919),
                  "Kundennummer " + std::to_string(i));
}

void Fill(CVaultData& data, const std::vector<CEntry>& entries) {
    data.RemoveAllEntries();
    for (const CEntry& e : entries) {
        data.AddEntry(e.GetSeite(), e.GetName(), e.GetPasswort(), e.GetKommentar());
    }
}

// A version of base with 1,000 changes: 500 edits, 250 removals, 250 additions, spread over it.
std::vector<CEntry> Changed(const std::vector<CEntry>& base, int offset, const char* tag) {
    std::vector<CEntry> out = base;
    const int n = static_cast<int>(base.size());
    for (int k = 0; k < 500; ++k) {
        const int i = (offset + k * 97) % n;
        out[static_cast<std::size_t>(i)] = Typical(i, tag);  // an edit: one out, one in
    }
    for (int k = 0; k < 250; ++k) {
        out.push_back(Typical(n + offset + k, tag));
    }
    for (int k = 0; k < 250; ++k) {
        out.erase(out.begin() + (offset * 3 + k * 389) % static_cast<int>(out.size()));
    }
    return out;
}

void Fail(const char* what) {
    std::fprintf(stderr, "zelmora-bench-sync: %s failed\n", what);
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 100000;
    char dir[] = "/tmp/zelmora-bench-sync-XXXXXX";
    if (!mkdtemp(dir)) {
        Fail("mkdtemp");
    }
    const std::string path = std::string(dir) + "/Tresor.zlm";

    std::vector<CEntry> base;
    for (int i = 0; i < count; ++i) {
        base.push_back(Typical(i));
    }
    CVaultData data;
    data.SetVaultPassword(kPassword);
    Fill(data, base);

    // ---- The check before a save against the save.
    CVaultSnapshot written;
    const double save = Median(
        [&] {
            if (!SaveVaultSnapshot(path, data, written).ok()) {
                Fail("the save");
            }
        },
        3);
    SFileIdentity now;
    const double check = Median(
        [&] {
            if (CheckFileChange(path, written.Identity(), now) != EFileChange::kUnchanged) {
                Fail("the check");
            }
        },
        101);
    // Touched by another program without a change: the stat differs, so the bytes are hashed.
    const double hashed = Median(
        [&] {
            utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
            if (CheckFileChange(path, written.Identity(), now) != EFileChange::kUnchanged) {
                Fail("the hashing check");
            }
        },
        11);

    // ---- A merge of two changed versions against the core's read.
    const std::vector<CEntry> mine = Changed(base, 11, "-mein");
    const std::vector<CEntry> theirs = Changed(base, 5003, "-fremd");
    Fill(data, theirs);
    if (!SaveVaultFile(path, data).ok()) {
        Fail("writing theirs");
    }
    const double read = Median(
        [&] {
            CVaultData r;
            r.SetVaultPassword(kPassword);
            if (!LoadVaultFile(path, r).ok() || r.GetEntryCount() != static_cast<int>(theirs.size())) {
                Fail("the read");
            }
        },
        5);
    Fill(data, base);
    CVaultSnapshot baseSnapshot;
    if (!SaveVaultSnapshot(std::string(dir) + "/base.zlm", data, baseSnapshot).ok()) {
        Fail("writing the base");
    }
    std::size_t mergedSize = 0;
    double mergeOnly = 0;
    std::vector<double> merges;
    for (int run = 0; run < 5; ++run) {
        std::vector<CEntry> m = mine;  // the window's own entries, handed over to the merge
        const auto start = std::chrono::steady_clock::now();
        CSnapshotReader baseReader(baseSnapshot);
        CVaultData t;
        t.SetVaultPassword(kPassword);
        CVaultSnapshot theirsSnapshot;
        if (!LoadVaultSnapshot(path, t, theirsSnapshot).ok()) {
            Fail("theirs' read");
        }
        const std::vector<CEntry> b = baseReader.Take();
        if (b.size() != base.size()) {
            Fail("the base's read");
        }
        const auto merging = std::chrono::steady_clock::now();
        const SMergeResult merged = MergeEntries(b, std::move(m), t.Entries());
        const auto end = std::chrono::steady_clock::now();
        merges.push_back(std::chrono::duration<double>(end - start).count());
        if (run == 0 || std::chrono::duration<double>(end - merging).count() < mergeOnly) {
            mergeOnly = std::chrono::duration<double>(end - merging).count();
        }
        mergedSize = merged.entries.size();
    }
    std::sort(merges.begin(), merges.end());
    const double merge = merges[merges.size() / 2];

    std::printf("Vault sync, %d entries (median of runs):\n", count);
    std::printf("  save (serialise, write, fsync, rename)   %8.1f ms\n", save * 1e3);
    std::printf("  change check before it, stat only         %8.3f ms  %.4fx the save  (goal <= 0.2x)\n",
                check * 1e3, check / save);
    std::printf("  change check, file touched (hash)         %8.3f ms  %.4fx the save  (goal <= 0.2x)\n",
                hashed * 1e3, hashed / save);
    std::printf("  core read of one version                  %8.1f ms\n", read * 1e3);
    std::printf("  merge as the window runs it               %8.1f ms  %.2fx the read  (goal <= 2x)\n",
                merge * 1e3, merge / read);
    std::printf("    of which the three-way merge (fastest)   %8.1f ms  %.2fx the read  (%zu entries)\n",
                mergeOnly * 1e3, mergeOnly / read, mergedSize);

    unlink(path.c_str());
    unlink((std::string(dir) + "/base.zlm").c_str());
    rmdir(dir);
    std::printf("  goals %s\n", hashed / save <= 0.2 && merge / read <= 2.0 ? "met" : "missed");
    return 0;
}
