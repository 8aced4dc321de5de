// The vault core against OpenSSL's Blowfish in one process: ECB throughput, and reading and
// writing encrypted vaults of growing size.  The ratios the core is held to are printed last.
#include <benchmark/benchmark.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <malloc.h>
#include <unistd.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/blowfish.h>
#pragma GCC diagnostic pop

#include "vault/blowfish.h"
#include "vault/vault_file.h"
#include "vault/vault_format.h"

namespace {

const std::string kPassword = "Geheimnis";  // 9 characters: the key gets 1 space
const std::string kKey = kPassword + " ";
constexpr std::size_t kEcbBytes = 64 * 1024;

std::vector<unsigned char> RandomBytes(std::size_t n) {
    std::mt19937 rng(42);
    std::vector<unsigned char> v(n);
    for (auto& b : v) {
        b = static_cast<unsigned char>(rng());
    }
    return v;
}

// ---- ECB

void OpenSslEcb(const BF_KEY& key, const unsigned char* in, unsigned char* out, std::size_t n, int mode) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    for (std::size_t k = 0; k < n; k += 8) {
        BF_ecb_encrypt(in + k, out + k, &key, mode);
    }
#pragma GCC diagnostic pop
}

BF_KEY OpenSslKey() {
    BF_KEY key;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BF_set_key(&key, static_cast<int>(kKey.size()), reinterpret_cast<const unsigned char*>(kKey.data()));
#pragma GCC diagnostic pop
    return key;
}

// 64 KiB in ECB, by our engine or by OpenSSL's, on the same bytes under the same key.
template <bool kOurs, bool kEncrypt>
void BM_Ecb(benchmark::State& state) {
    CBlowfishEngine engine;
    engine.SetKey(reinterpret_cast<const unsigned char*>(kKey.data()), kKey.size());
    const BF_KEY key = OpenSslKey();
    const auto in = RandomBytes(kEcbBytes);
    std::vector<unsigned char> out(kEcbBytes);
    for (auto _ : state) {
        if (!kOurs) {
            OpenSslEcb(key, in.data(), out.data(), in.size(), kEncrypt ? BF_ENCRYPT : BF_DECRYPT);
        } else if (kEncrypt) {
            engine.EncryptBuffer(in.data(), out.data(), in.size());
        } else {
            engine.DecryptBuffer(in.data(), out.data(), in.size());
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEcbBytes));
}

// ---- Vaults

// Realistic texts: a site of about 25 characters, a name of 10, a password of 16, a comment of 30.
void FillVault(CVaultData& data, int entries) {
    std::mt19937 rng(1);
    auto text = [&](std::size_t n) {
        std::string s(n, ' ');
        for (auto& c : s) {
            c = static_cast<char>('a' + rng() % 26);
        }
        return s;
    };
    data.SetVaultPassword(kPassword);
    data.ReserveEntries(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        data.AddEntry("www." + text(17) + ".com", text(10), text(16), text(30));
    }
}

struct SVaultSample {
    CVaultData data;
    std::string bytes;  // the encrypted file
    std::string path;
    std::size_t cipherBytes = 0;  // the cipher bytes its records hold
};

std::string g_tempDir;

SVaultSample& Sample(int entries) {
    static std::map<int, std::unique_ptr<SVaultSample>> samples;
    auto& slot = samples[entries];
    if (!slot) {
        slot = std::make_unique<SVaultSample>();
        FillVault(slot->data, entries);
        CArchiveWriter ar(slot->bytes);
        WriteVault(ar, slot->data);
        slot->path = g_tempDir + "/bench" + std::to_string(entries) + ".zlm";
        SaveVaultFile(slot->path, slot->data);
        CArchiveReader in(slot->bytes.data(), slot->bytes.size());
        std::string record;
        ReadStringRecord(in, record);
        while (ReadStringRecord(in, record)) {
            slot->cipherBytes += record.size() - record.find(' ') - 1;
        }
    }
    return *slot;
}

bool ReadFromMemory(const SVaultSample& sample) {
    auto data = std::make_unique<CVaultData>();
    data->SetVaultPassword(kPassword);
    CArchiveReader ar(sample.bytes.data(), sample.bytes.size());
    return ReadVault(ar, *data).ok();
}

void BM_ReadVault_Memory(benchmark::State& state) {
    const SVaultSample& sample = Sample(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto data = std::make_unique<CVaultData>();
        data->SetVaultPassword(kPassword);
        CArchiveReader ar(sample.bytes.data(), sample.bytes.size());
        if (!ReadVault(ar, *data).ok()) {
            state.SkipWithError("read failed");
        }
        state.PauseTiming();
        data.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The first read into memory the process has never used: includes the system's cost of handing
// out fresh pages, which the warm runs above do not pay (see main).
void BM_ReadVault_MemoryCold(benchmark::State& state) {
    const SVaultSample& sample = Sample(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (!ReadFromMemory(sample)) {
            state.SkipWithError("read failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ReadVault_File(benchmark::State& state) {
    const SVaultSample& sample = Sample(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto data = std::make_unique<CVaultData>();
        data->SetVaultPassword(kPassword);
        if (!LoadVaultFile(sample.path, *data).ok()) {
            state.SkipWithError("load failed");
        }
        state.PauseTiming();
        data.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WriteVault_Memory(benchmark::State& state) {
    const SVaultSample& sample = Sample(static_cast<int>(state.range(0)));
    std::string out(sample.bytes.size(), '\0');  // touched once, like the warm heap of the reads
    for (auto _ : state) {
        out.clear();
        CArchiveWriter ar(out);
        WriteVault(ar, sample.data);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WriteVault_File(benchmark::State& state) {
    const SVaultSample& sample = Sample(static_cast<int>(state.range(0)));
    const std::string path = g_tempDir + "/written.zlm";
    for (auto _ : state) {
        if (!SaveVaultFile(path, sample.data).ok()) {
            state.SkipWithError("save failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// OpenSSL decrypting as many bytes as the 100,000-entry vault holds in its records.
void BM_OpenSslDecrypt_Vault100k(benchmark::State& state) {
    const std::size_t n = Sample(100000).cipherBytes;
    const BF_KEY key = OpenSslKey();
    const auto in = RandomBytes(n);
    std::vector<unsigned char> out(n);
    for (auto _ : state) {
        OpenSslEcb(key, in.data(), out.data(), n, BF_DECRYPT);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}

BENCHMARK(BM_Ecb<true, true>)->Name("BM_EcbEncrypt_Ours");
BENCHMARK(BM_Ecb<false, true>)->Name("BM_EcbEncrypt_OpenSsl");
BENCHMARK(BM_Ecb<true, false>)->Name("BM_EcbDecrypt_Ours");
BENCHMARK(BM_Ecb<false, false>)->Name("BM_EcbDecrypt_OpenSsl");
BENCHMARK(BM_OpenSslDecrypt_Vault100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVault_MemoryCold)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVault_Memory)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVault_File)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVault_Memory)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVault_File)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Keeps each run's time per iteration, by name, for the ratios.
class CCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred) {
                m_seconds[run.benchmark_name()] =
                    run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Seconds(const std::string& name) const {
        const auto it = m_seconds.find(name);
        return it == m_seconds.end() ? 0 : it->second;
    }

private:
    std::map<std::string, double> m_seconds;
};

void PrintRatio(const char* what, double value, const char* target, bool met) {
    std::printf("  %-52s %6.2f   (%s: %s)\n", what, value, target, met ? "met" : "NOT MET");
}

}  // namespace

int main(int argc, char** argv) {
    char dir[] = "/tmp/zelmora-bench-XXXXXX";
    if (!mkdtemp(dir)) {
        std::perror("mkdtemp");
        return 1;
    }
    g_tempDir = dir;
    // Freed memory stays with the process, so that every size runs on a warm heap as the small ones
    // do anyway.  Otherwise a large vault's memory goes back to the system after each iteration, and
    // its first touch again (about 20 us per page on the virtual machines we measure on) would be
    // measured instead of the reader.  BM_ReadVault_MemoryCold shows that cost.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);

    benchmark::Initialize(&argc, argv);
    CCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    const double ecbEnc =
        collector.Seconds("BM_EcbEncrypt_OpenSsl") / collector.Seconds("BM_EcbEncrypt_Ours");
    const double ecbDec =
        collector.Seconds("BM_EcbDecrypt_OpenSsl") / collector.Seconds("BM_EcbDecrypt_Ours");
    const double read100k =
        collector.Seconds("BM_ReadVault_Memory/100000") / collector.Seconds("BM_OpenSslDecrypt_Vault100k");
    const double readFile100k =
        collector.Seconds("BM_ReadVault_File/100000") / collector.Seconds("BM_OpenSslDecrypt_Vault100k");
    const double perEntryRead = (collector.Seconds("BM_ReadVault_Memory/1000000") / 1e6) /
                                (collector.Seconds("BM_ReadVault_Memory/10000") / 1e4);
    const double perEntryWrite = (collector.Seconds("BM_WriteVault_Memory/1000000") / 1e6) /
                                 (collector.Seconds("BM_WriteVault_Memory/10000") / 1e4);

    std::printf("\nRatios (CPU time):\n");
    PrintRatio("ECB encrypt 64 KiB, ours vs OpenSSL (speed-up)", ecbEnc, ">= 1.0, aim 1.3", ecbEnc >= 1.0);
    PrintRatio("ECB decrypt 64 KiB, ours vs OpenSSL (speed-up)", ecbDec, ">= 1.0, aim 1.3", ecbDec >= 1.0);
    PrintRatio("read 100k vault (memory) / OpenSSL decrypt of its bytes", read100k, "<= 3.0",
               read100k <= 3.0);
    PrintRatio("read 100k vault (file) / OpenSSL decrypt of its bytes", readFile100k, "<= 3.0",
               readFile100k <= 3.0);
    PrintRatio("read time per entry, 1M / 10k", perEntryRead, "<= 1.5", perEntryRead <= 1.5);
    PrintRatio("write time per entry, 1M / 10k", perEntryWrite, "<= 1.5", perEntryWrite <= 1.5);
    const double coldRead = (collector.Seconds("BM_ReadVault_MemoryCold/1000000/iterations:1") / 1e6) /
                            (collector.Seconds("BM_ReadVault_Memory/10000") / 1e4);
    std::printf("  %-52s %6.2f   (fresh pages, for information)\n", "cold read time per entry, 1M / 10k",
                coldRead);

    for (int n : {1000, 10000, 100000, 1000000}) {
        unlink((g_tempDir + "/bench" + std::to_string(n) + ".zlm").c_str());
    }
    unlink((g_tempDir + "/written.zlm").c_str());
    rmdir(dir);
    benchmark::Shutdown();
    return 0;
}
