#include "cli/kdbx_writer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

#include <argon2.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>
#include <zlib.h>

#include "vault/cp1252.h"
#include "vault/secure_wipe.h"
#include "vault/vault_data.h"
#include "vault/vault_file.h"

namespace kdbx {

namespace {

// Identifiers the format defines.
constexpr unsigned char kSignature[8] = {0x03, 0xD9, 0xA2, 0x9A, 0x67, 0xFB, 0x4B, 0xB5};
constexpr unsigned char kVersion40[4] = {0x00, 0x00, 0x04, 0x00};  // minor 0, major 4
constexpr unsigned char kChaCha20Cipher[16] = {0xD6, 0x03, 0x8A, 0x2B, 0x8B, 0x6F, 0x4C, 0xB5,
                                               0xA5, 0x24, 0x33, 0x9A, 0x31, 0xDB, 0xB5, 0x9A};
constexpr unsigned char kArgon2idKdf[16] = {0x9E, 0x29, 0x8B, 0x19, 0x56, 0xDB, 0x47, 0x73,
                                            0xB2, 0x3D, 0xFC, 0x3E, 0xC6, 0xF0, 0xA1, 0xE6};
constexpr unsigned char kEndOfHeader[4] = {0x0D, 0x0A, 0x0D, 0x0A};
constexpr std::uint32_t kInnerStreamChaCha20 = 3;
constexpr std::uint32_t kArgon2Version = 0x13;
// Seconds from 0001-01-01 to 1970-01-01, both UTC: the format counts time from the former.
constexpr std::int64_t kEpochOffset = 62135596800;
// KeePass itself writes blocks of 1 MiB.
constexpr std::size_t kBlockSize = 1u << 20;

enum EHeaderField : unsigned char {
    kEndOfHeaderField = 0,
    kCipherId = 2,
    kCompressionFlags = 3,
    kMainSeed = 4,
    kEncryptionIv = 7,
    kKdfParameters = 11,
};
enum EInnerField : unsigned char { kInnerEnd = 0, kInnerStreamId = 1, kInnerStreamKey = 2 };
enum EVariantType : unsigned char { kVarUInt32 = 0x04, kVarUInt64 = 0x05, kVarBytes = 0x42 };

// Key material on the stack, zeroed on every way out.
template <std::size_t N>
struct SSecret {
    unsigned char b[N];
    SSecret() = default;
    SSecret(const SSecret&) = delete;
    SSecret& operator=(const SSecret&) = delete;
    ~SSecret() { SecureWipe(b, N); }
};

[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(what);
}

void Random(unsigned char* out, std::size_t n) {
    if (RAND_bytes(out, static_cast<int>(n)) != 1) {
        Fail("random source");
    }
}

template <typename Out>
void PutU32(Out& out, std::uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    out.append(reinterpret_cast<const char*>(b), 4);
}

void LittleEndian64(std::uint64_t v, unsigned char out[8]) {
    for (int i = 0; i < 8; ++i) {
        out[i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

// A hash over several pieces.
struct SPiece {
    const void* data;
    std::size_t size;
};

void Digest(const EVP_MD* md, std::initializer_list<SPiece> pieces, unsigned char* out) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    bool ok = ctx && EVP_DigestInit_ex(ctx, md, nullptr) == 1;
    for (const SPiece& p : pieces) {
        ok = ok && EVP_DigestUpdate(ctx, p.data, p.size) == 1;
    }
    ok = ok && EVP_DigestFinal_ex(ctx, out, nullptr) == 1;
    EVP_MD_CTX_free(ctx);  // cleanses its state
    if (!ok) {
        Fail("digest");
    }
}

void HmacSha256(const unsigned char* key, std::size_t keySize, std::initializer_list<SPiece> pieces,
                unsigned char out[32]) {
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* ctx = mac ? EVP_MAC_CTX_new(mac) : nullptr;
    char digest[] = "SHA256";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    bool ok = ctx && EVP_MAC_init(ctx, key, keySize, params) == 1;
    for (const SPiece& p : pieces) {
        ok = ok && EVP_MAC_update(ctx, static_cast<const unsigned char*>(p.data), p.size) == 1;
    }
    std::size_t n = 0;
    ok = ok && EVP_MAC_final(ctx, out, &n, 32) == 1 && n == 32;
    EVP_MAC_CTX_free(ctx);
    EVP_MAC_free(mac);
    if (!ok) {
        Fail("hmac");
    }
}

// ChaCha20 as the format uses it: a 96-bit nonce and a block counter that starts at 0.
class CChaCha20 {
public:
    CChaCha20(const unsigned char key[32], const unsigned char nonce[12]) : m_ctx(EVP_CIPHER_CTX_new()) {
        unsigned char iv[16] = {0, 0, 0, 0};  // OpenSSL takes the counter first, then the nonce
        std::memcpy(iv + 4, nonce, 12);
        if (!m_ctx || EVP_EncryptInit_ex(m_ctx, EVP_chacha20(), nullptr, key, iv) != 1) {
            EVP_CIPHER_CTX_free(m_ctx);
            Fail("chacha20");
        }
    }
    ~CChaCha20() { EVP_CIPHER_CTX_free(m_ctx); }
    CChaCha20(const CChaCha20&) = delete;
    CChaCha20& operator=(const CChaCha20&) = delete;

    // XORs the key stream into n bytes, continuing where the last call stopped.
    void Apply(const unsigned char* in, unsigned char* out, std::size_t n) {
        while (n > 0) {
            const int chunk = static_cast<int>(std::min<std::size_t>(n, 1u << 30));
            int written = 0;
            if (EVP_EncryptUpdate(m_ctx, out, &written, in, chunk) != 1 || written != chunk) {
                Fail("chacha20");
            }
            in += chunk;
            out += chunk;
            n -= static_cast<std::size_t>(chunk);
        }
    }

private:
    EVP_CIPHER_CTX* m_ctx;
};

std::string Base64(const unsigned char* data, std::size_t n) {
    std::string out(4 * ((n + 2) / 3) + 1, '\0');
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data, static_cast<int>(n));
    out.resize(static_cast<std::size_t>(written));
    return out;
}

// Each code page 1252 byte as XML text (escaped) and as the raw UTF-8 a protected value holds.
// Empty for the control characters XML 1.0 cannot carry.
struct SCharTables {
    std::string escaped[256];
    std::string raw[256];
    SCharTables() {
        for (int b = 0; b < 256; ++b) {
            const bool xmlChar = b >= 0x20 || b == '\t' || b == '\n' || b == '\r';
            if (!xmlChar) {
                continue;
            }
            raw[b] = cp1252::ToUtf8(std::string(1, static_cast<char>(b)));
            escaped[b] = raw[b];
        }
        escaped[static_cast<unsigned char>('<')] = "&lt;";
        escaped[static_cast<unsigned char>('>')] = "&gt;";
        escaped[static_cast<unsigned char>('&')] = "&amp;";
        // A parser turns a literal carriage return into a line feed; a reference survives.
        escaped[static_cast<unsigned char>('\r')] = "&#13;";
    }
};

const SCharTables& CharTables() {
    static const SCharTables tables;
    return tables;
}

bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == 0xA0;
}

bool IsAsciiAlpha(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// zlib's memory, zeroed before it is given back: its window holds the texts being compressed.
voidpf WipedAlloc(voidpf, uInt items, uInt size) {
    const std::size_t n = static_cast<std::size_t>(items) * size;
    auto* block = static_cast<unsigned char*>(std::malloc(n + sizeof(std::max_align_t)));
    if (!block) {
        return Z_NULL;
    }
    std::memcpy(block, &n, sizeof n);
    return block + sizeof(std::max_align_t);
}

void WipedFree(voidpf, voidpf address) {
    if (!address) {
        return;
    }
    auto* block = static_cast<unsigned char*>(address) - sizeof(std::max_align_t);
    std::size_t n = 0;
    std::memcpy(&n, block, sizeof n);
    SecureWipe(block, n + sizeof(std::max_align_t));
    std::free(block);
}

void Gzip(const CWipedBuffer& in, CWipedBuffer& out) {
    z_stream z{};
    z.zalloc = WipedAlloc;
    z.zfree = WipedFree;
    // 15 + 16: a window of 32 KiB with the GZip wrapper.
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::bad_alloc();
    }
    const uLong bound = deflateBound(&z, static_cast<uLong>(in.Size()));
    out.Reserve(bound);
    z.next_in = const_cast<Bytef*>(in.Data());
    z.avail_in = static_cast<uInt>(in.Size());
    z.next_out = out.Extend(bound);
    z.avail_out = static_cast<uInt>(bound);
    const int rc = deflate(&z, Z_FINISH);
    out.Shrink(static_cast<std::size_t>(z.total_out));
    deflateEnd(&z);
    if (rc != Z_STREAM_END) {
        Fail("gzip");
    }
}

// The KDF parameters as the format's variant dictionary.
std::string KdfDictionary(const SKdfParams& kdf, const unsigned char salt[32]) {
    std::string d;
    d.append("\x00\x01", 2);  // version 1.0
    const auto item = [&d](unsigned char type, const char* key, const void* value, std::size_t size) {
        d.push_back(static_cast<char>(type));
        PutU32(d, static_cast<std::uint32_t>(std::strlen(key)));
        d.append(key);
        PutU32(d, static_cast<std::uint32_t>(size));
        d.append(static_cast<const char*>(value), size);
    };
    unsigned char u64[8];
    item(kVarBytes, "$UUID", kArgon2idKdf, 16);
    LittleEndian64(kdf.iterations, u64);
    item(kVarUInt64, "I", u64, 8);
    LittleEndian64(kdf.memoryBytes, u64);
    item(kVarUInt64, "M", u64, 8);
    std::string u32;
    PutU32(u32, kdf.lanes);
    item(kVarUInt32, "P", u32.data(), 4);
    item(kVarBytes, "S", salt, 32);
    u32.clear();
    PutU32(u32, kArgon2Version);
    item(kVarUInt32, "V", u32.data(), 4);
    d.push_back('\0');
    return d;
}

void HeaderField(std::string& h, unsigned char id, const void* data, std::size_t size) {
    h.push_back(static_cast<char>(id));
    PutU32(h, static_cast<std::uint32_t>(size));
    h.append(static_cast<const char*>(data), size);
}

// The HMAC key of one block (the header is block 2^64 - 1).
void BlockKey(std::uint64_t index, const unsigned char hmacBase[64], unsigned char out[64]) {
    unsigned char le[8];
    LittleEndian64(index, le);
    Digest(EVP_sha512(), {{le, 8}, {hmacBase, 64}}, out);
}

// Argon2id of data; false with the error code of libargon2.
int Argon2id(const SKdfParams& kdf, const unsigned char* data, std::size_t size, const unsigned char salt[32],
             unsigned char out[32]) {
    const std::uint64_t iterations =
        std::min<std::uint64_t>(kdf.iterations, std::numeric_limits<std::uint32_t>::max());
    return argon2id_hash_raw(static_cast<std::uint32_t>(iterations),
                             static_cast<std::uint32_t>(kdf.memoryBytes / 1024), kdf.lanes, data, size, salt,
                             32, out, 32);
}

}  // namespace

// ---- CWipedBuffer

void CWipedBuffer::Reserve(std::size_t n) {
    if (n <= m_store.size()) {
        return;
    }
    std::string bigger(n, '\0');
    if (m_size > 0) {
        std::memcpy(bigger.data(), m_store.data(), m_size);
    }
    SecureWipe(m_store);
    m_store.swap(bigger);
}

unsigned char* CWipedBuffer::Extend(std::size_t n) {
    if (m_size + n > m_store.size()) {
        Reserve(std::max(m_size + n, m_store.size() * 2));
    }
    unsigned char* at = Data() + m_size;
    m_size += n;
    return at;
}

void CWipedBuffer::Append(const void* data, std::size_t n) {
    if (n > 0) {
        std::memcpy(Extend(n), data, n);
    }
}

void CWipedBuffer::Clear() {
    SecureWipe(m_store);
    m_size = 0;
}

// ---- The payload

bool ReadsAsWebAddress(const std::string& text) {
    // scheme "://": a letter, then letters, digits, "+", "-" or ".".
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    if (n > 0 && IsAsciiAlpha(s[0])) {
        std::size_t i = 1;
        while (i < n && (IsAsciiAlpha(s[i]) || (s[i] >= '0' && s[i] <= '9') || s[i] == '+' || s[i] == '-' ||
                         s[i] == '.')) {
            ++i;
        }
        if (text.compare(i, 3, "://") == 0 && i + 3 < n) {
            return true;
        }
    }
    return text.find('.') != std::string::npos && std::none_of(s, s + n, IsBlank);
}

class CPayloadBuilder {
public:
    explicit CPayloadBuilder(CKdbxPayload& payload) : m_out(payload.m_bytes), m_payload(payload) {
        // The export time, as the format writes times in KDBX 4: seconds since 0001-01-01 UTC,
        // a little-endian 64-bit number in Base64.
        unsigned char le[8];
        LittleEndian64(
            static_cast<std::uint64_t>(static_cast<std::int64_t>(std::time(nullptr)) + kEpochOffset), le);
        m_time = Base64(le, 8);
    }

    void Build(const CVaultData& data, const std::string& groupName) {
        std::size_t estimate = 4096 + groupName.size() * 2;
        for (int p = 0; p < data.GetEntryCount(); ++p) {
            const CEntry& e = data.GetEntryAt(p);
            // An escaped character takes at most 5 bytes ("&#13;"); the site may appear twice.
            estimate += 1400 + 5 * (2 * e.GetSeite().size() + e.GetName().size() + e.GetKommentar().size()) +
                        2 * e.GetPasswort().size();
        }
        m_out.Reserve(estimate);

        InnerHeader();
        Raw("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<KeePassFile>\n<Meta>\n"
            "<Generator>Zelmora</Generator>\n<DatabaseName>");
        Utf8Text(groupName);
        Raw("</DatabaseName>\n");
        Timed("DatabaseNameChanged");
        Raw("<DatabaseDescription/>\n");
        Timed("DatabaseDescriptionChanged");
        Raw("<DefaultUserName/>\n");
        Timed("DefaultUserNameChanged");
        Raw("<MaintenanceHistoryDays>365</MaintenanceHistoryDays>\n<Color/>\n");
        Timed("MasterKeyChanged");
        Raw("<MasterKeyChangeRec>-1</MasterKeyChangeRec>\n<MasterKeyChangeForce>-1</MasterKeyChangeForce>\n"
            "<MemoryProtection>\n<ProtectTitle>False</ProtectTitle>\n<ProtectUserName>False</"
            "ProtectUserName>\n"
            "<ProtectPassword>True</ProtectPassword>\n<ProtectURL>False</ProtectURL>\n"
            "<ProtectNotes>False</ProtectNotes>\n</MemoryProtection>\n"
            "<RecycleBinEnabled>True</RecycleBinEnabled>\n<RecycleBinUUID>");
        Raw(kNoUuid);
        Raw("</RecycleBinUUID>\n");
        Timed("RecycleBinChanged");
        Raw("<EntryTemplatesGroup>");
        Raw(kNoUuid);
        Raw("</EntryTemplatesGroup>\n");
        Timed("EntryTemplatesGroupChanged");
        Raw("<HistoryMaxItems>10</HistoryMaxItems>\n<HistoryMaxSize>6291456</HistoryMaxSize>\n"
            "<LastSelectedGroup>");
        Raw(kNoUuid);
        Raw("</LastSelectedGroup>\n<LastTopVisibleGroup>");
        Raw(kNoUuid);
        Raw("</LastTopVisibleGroup>\n</Meta>\n<Root>\n<Group>\n");
        Uuid();
        Raw("<Name>");
        Utf8Text(groupName);
        Raw("</Name>\n<Notes/>\n<IconID>48</IconID>\n");
        Times();
        Raw("<IsExpanded>True</IsExpanded>\n<DefaultAutoTypeSequence/>\n<EnableAutoType>null</"
            "EnableAutoType>\n"
            "<EnableSearching>null</EnableSearching>\n<LastTopVisibleEntry>");
        Raw(kNoUuid);
        Raw("</LastTopVisibleEntry>\n");
        for (int p = 0; p < data.GetEntryCount(); ++p) {
            Entry(p, data.GetEntryAt(p));
        }
        Raw("</Group>\n<DeletedObjects/>\n</Root>\n</KeePassFile>\n");
        m_payload.m_nEntries = data.GetEntryCount();
    }

private:
    static constexpr const char* kNoUuid = "AAAAAAAAAAAAAAAAAAAAAA==";

    void Raw(const char* text) { m_out.Append(text, std::strlen(text)); }
    void Raw(const std::string& text) { m_out.Append(text); }

    // The inner header: the inner stream (ChaCha20) and its random key.  Its key stream starts
    // with the first protected value.
    void InnerHeader() {
        SSecret<64> key;
        Random(key.b, 64);
        std::string h;
        std::string id;
        PutU32(id, kInnerStreamChaCha20);
        HeaderField(h, kInnerStreamId, id.data(), 4);
        m_out.Append(h);
        const unsigned char keyHead[5] = {kInnerStreamKey, 64, 0, 0, 0};
        m_out.Append(keyHead, 5);
        m_out.Append(key.b, 64);
        const unsigned char end[5] = {kInnerEnd, 0, 0, 0, 0};
        m_out.Append(end, 5);
        SSecret<64> hash;
        Digest(EVP_sha512(), {{key.b, 64}}, hash.b);
        m_inner = std::make_unique<CChaCha20>(hash.b, hash.b + 32);
    }

    void Uuid() {
        unsigned char id[16];
        Random(id, 16);
        Raw("<UUID>");
        Raw(Base64(id, 16));
        Raw("</UUID>\n");
    }

    void Timed(const char* element) {
        Raw("<");
        Raw(element);
        Raw(">");
        Raw(m_time);
        Raw("</");
        Raw(element);
        Raw(">\n");
    }

    void Times() {
        Raw("<Times>\n");
        for (const char* element : {"CreationTime", "LastModificationTime", "LastAccessTime", "ExpiryTime"}) {
            Timed(element);
        }
        Raw("<Expires>False</Expires>\n<UsageCount>0</UsageCount>\n");
        Timed("LocationChanged");
        Raw("</Times>\n");
    }

    // A vault text as XML character data; drops what XML cannot carry and counts it.
    void Text(const std::string& cp1252Text, int position, int field) {
        const SCharTables& t = CharTables();
        int dropped = 0;
        for (const char c : cp1252Text) {
            const std::string& s = t.escaped[static_cast<unsigned char>(c)];
            if (s.empty()) {
                ++dropped;
            } else {
                m_out.Append(s);
            }
        }
        Count(position, field, dropped);
    }

    // A UTF-8 text (the file's name) as XML character data; control characters and the two
    // non-characters XML forbids are left out.
    void Utf8Text(const std::string& utf8) {
        for (std::size_t i = 0; i < utf8.size(); ++i) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            if (c < 0x80) {
                const std::string& s = CharTables().escaped[c];
                m_out.Append(s);
            } else if (c == 0xEF && utf8.compare(i + 1, 1, "\xBF") == 0 && i + 2 < utf8.size() &&
                       (utf8[i + 2] == '\xBE' || utf8[i + 2] == '\xBF')) {
                i += 2;  // U+FFFE, U+FFFF
            } else {
                m_out.Append(&utf8[i], 1);
            }
        }
    }

    // The password: its UTF-8 XORed with the inner stream, in Base64.
    void Protected(const std::string& cp1252Text, int position, int field) {
        const SCharTables& t = CharTables();
        CWipedBuffer clear;
        clear.Reserve(cp1252Text.size() * 3);
        int dropped = 0;
        for (const char c : cp1252Text) {
            const std::string& s = t.raw[static_cast<unsigned char>(c)];
            if (s.empty()) {
                ++dropped;
            } else {
                clear.Append(s);
            }
        }
        Count(position, field, dropped);
        std::string hidden(clear.Size(), '\0');
        m_inner->Apply(clear.Data(), reinterpret_cast<unsigned char*>(hidden.data()), clear.Size());
        Raw(Base64(reinterpret_cast<const unsigned char*>(hidden.data()), hidden.size()));
    }

    void Count(int position, int field, int dropped) {
        if (dropped > 0) {
            m_payload.m_dropped.push_back({position, field, dropped});
        }
    }

    void String(const char* key, const std::string& value, int position, int field) {
        Raw("<String>\n<Key>");
        Raw(key);
        Raw("</Key>\n<Value>");
        Text(value, position, field);
        Raw("</Value>\n</String>\n");
    }

    void Entry(int position, const CEntry& e) {
        const std::size_t firstDrop = m_payload.m_dropped.size();
        Raw("<Entry>\n");
        Uuid();
        Raw("<IconID>0</IconID>\n<ForegroundColor/>\n<BackgroundColor/>\n<OverrideURL/>\n<Tags/>\n");
        Times();
        String("Notes", e.GetKommentar(), position, 3);
        Raw("<String>\n<Key>Password</Key>\n<Value Protected=\"True\">");
        Protected(e.GetPasswort(), position, 2);
        Raw("</Value>\n</String>\n");
        String("Title", e.GetSeite(), position, 0);
        // The site once more: its characters were counted already.
        const std::size_t before = m_payload.m_dropped.size();
        String("URL", ReadsAsWebAddress(e.GetSeite()) ? e.GetSeite() : std::string(), position, 0);
        m_payload.m_dropped.resize(before);
        String("UserName", e.GetName(), position, 1);
        Raw("<AutoType>\n<Enabled>True</Enabled>\n<DataTransferObfuscation>0</DataTransferObfuscation>\n"
            "</AutoType>\n<History/>\n</Entry>\n");
        // Reported in field order, not in the order of the XML.
        std::sort(m_payload.m_dropped.begin() + static_cast<std::ptrdiff_t>(firstDrop),
                  m_payload.m_dropped.end(),
                  [](const SDropped& a, const SDropped& b) { return a.field < b.field; });
    }

    CWipedBuffer& m_out;
    CKdbxPayload& m_payload;
    std::string m_time;
    std::unique_ptr<CChaCha20> m_inner;
};

CKdbxPayload::CKdbxPayload(const CVaultData& data, const std::string& groupName) {
    CPayloadBuilder(*this).Build(data, groupName);
}

int CKdbxPayload::DroppedCount() const {
    int n = 0;
    for (const SDropped& d : m_dropped) {
        n += d.count;
    }
    return n;
}

// ---- The key derivation and the file

SKdfParams CalibrateKdf(double targetSeconds) {
    SKdfParams kdf;
    kdf.memoryBytes = kMemoryBytes;
    kdf.lanes = kLanes;
    // A derivation costs the memory's set-up and release once, then the same time per iteration:
    // a run of 1 iteration and one of about a quarter of a second tell both apart.
    const auto timed = [&kdf](std::uint64_t iterations) {
        kdf.iterations = iterations;
        unsigned char data[32] = {};
        unsigned char salt[32] = {};
        unsigned char out[32];
        const auto start = std::chrono::steady_clock::now();
        const int rc = Argon2id(kdf, data, sizeof data, salt, out);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return rc == ARGON2_OK ? seconds : -1.0;
    };
    const double one = timed(1);
    double iterations = 0;
    if (one > 0) {
        const double probe = 1 + std::clamp(std::floor(targetSeconds / 4 / one), 1.0, 64.0);
        const double more = timed(static_cast<std::uint64_t>(probe));
        const double perIteration = (more - one) / (probe - 1);
        const double setUp = std::max(0.0, one - perIteration);
        // Noise on a busy machine can make the longer run look as fast: then the first one alone.
        iterations = more > 0 && perIteration > one / 20 ? (targetSeconds - setUp) / perIteration
                                                         : targetSeconds / one;
    }
    iterations = std::min(std::round(iterations), 1e6);
    kdf.iterations =
        std::max<std::uint64_t>(kMinIterations, iterations > 0 ? static_cast<std::uint64_t>(iterations) : 0);
    return kdf;
}

SVaultResult EncodeKdbx(const CKdbxPayload& payload, const std::string& password, const SKdfParams& kdf,
                        std::string& file) {
    SVaultResult result;
    try {
        SSecret<32> mainSeed;
        unsigned char salt[32];
        unsigned char iv[12];
        Random(mainSeed.b, 32);
        Random(salt, 32);
        Random(iv, 12);

        std::string header(reinterpret_cast<const char*>(kSignature), 8);
        header.append(reinterpret_cast<const char*>(kVersion40), 4);
        HeaderField(header, kCipherId, kChaCha20Cipher, 16);
        std::string gzip;
        PutU32(gzip, 1);
        HeaderField(header, kCompressionFlags, gzip.data(), 4);
        HeaderField(header, kMainSeed, mainSeed.b, 32);
        HeaderField(header, kEncryptionIv, iv, 12);
        const std::string dictionary = KdfDictionary(kdf, salt);
        HeaderField(header, kKdfParameters, dictionary.data(), dictionary.size());
        HeaderField(header, kEndOfHeaderField, kEndOfHeader, 4);

        // The composite key of a password alone, then Argon2id.
        SSecret<32> composite;
        Digest(EVP_sha256(), {{password.data(), password.size()}}, composite.b);
        Digest(EVP_sha256(), {{composite.b, 32}}, composite.b);
        SSecret<32> transformed;
        const int rc = Argon2id(kdf, composite.b, 32, salt, transformed.b);
        if (rc != ARGON2_OK) {
            result.status = rc == ARGON2_MEMORY_ALLOCATION_ERROR ? EVaultStatus::kOutOfMemory
                                                                 : EVaultStatus::kGeneralError;
            return result;
        }
        SSecret<32> cipherKey;
        Digest(EVP_sha256(), {{mainSeed.b, 32}, {transformed.b, 32}}, cipherKey.b);
        SSecret<64> hmacBase;
        const unsigned char one = 0x01;
        Digest(EVP_sha512(), {{mainSeed.b, 32}, {transformed.b, 32}, {&one, 1}}, hmacBase.b);

        CWipedBuffer compressed;
        Gzip(payload.Bytes(), compressed);

        const std::size_t blocks = compressed.Size() / kBlockSize + 1;
        file.clear();
        file.reserve(header.size() + 64 + compressed.Size() + (blocks + 1) * 40);
        file = header;
        unsigned char hash[32];
        Digest(EVP_sha256(), {{header.data(), header.size()}}, hash);
        file.append(reinterpret_cast<const char*>(hash), 32);
        SSecret<64> blockKey;
        BlockKey(~std::uint64_t{0}, hmacBase.b, blockKey.b);
        unsigned char mac[32];
        HmacSha256(blockKey.b, 64, {{header.data(), header.size()}}, mac);
        file.append(reinterpret_cast<const char*>(mac), 32);

        // The HMAC block stream over the cipher text; a block of size 0 ends it.
        CChaCha20 cipher(cipherKey.b, iv);
        std::size_t offset = 0;
        for (std::uint64_t index = 0;; ++index) {
            const std::size_t n = std::min(kBlockSize, compressed.Size() - offset);
            const std::size_t at = file.size();
            file.append(32, '\0');
            PutU32(file, static_cast<std::uint32_t>(n));
            file.append(n, '\0');
            auto* block = reinterpret_cast<unsigned char*>(file.data()) + at;
            cipher.Apply(compressed.Data() + offset, block + 36, n);
            unsigned char le[8];
            LittleEndian64(index, le);
            BlockKey(index, hmacBase.b, blockKey.b);
            HmacSha256(blockKey.b, 64, {{le, 8}, {block + 32, 4}, {block + 36, n}}, block);
            offset += n;
            if (n == 0) {
                break;
            }
        }
        return result;
    } catch (const std::bad_alloc&) {
        result.status = EVaultStatus::kOutOfMemory;
    } catch (const std::exception&) {
        result.status = EVaultStatus::kGeneralError;
    }
    file.clear();
    return result;
}

SVaultResult WriteKdbxFile(const std::string& path, const CKdbxPayload& payload, const std::string& password,
                           const SKdfParams& kdf, EReplace replace) {
    std::string file;
    const SVaultResult result = EncodeKdbx(payload, password, kdf, file);
    if (!result.ok()) {
        return result;
    }
    return SaveFileBytes(path, file, nullptr, replace);
}

}  // namespace kdbx
