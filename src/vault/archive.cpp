#include "vault/archive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "vault/cp1252.h"
#include "vault/secure_wipe.h"

// ---- CArchiveReader

CArchiveReader::CArchiveReader(int fd) : m_fd(fd), m_buffer(kBufferSize) {
    m_data = m_buffer.data();
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const off_t offset = lseek(fd, 0, SEEK_CUR);
        if (offset >= 0 && offset <= st.st_size) {
            m_knownSize = static_cast<std::uint64_t>(st.st_size - offset);
        }
    }
}

CArchiveReader::CArchiveReader(const void* data, std::size_t size)
    : m_knownSize(size), m_data(static_cast<const unsigned char*>(data)), m_end(size) {}

CArchiveReader::~CArchiveReader() {
    SecureWipe(m_buffer.data(), m_buffer.size());
}

void CArchiveReader::Fail(EStreamStatus status, int error) {
    if (m_status == EStreamStatus::kOk) {
        m_status = status;
        m_errno = error;
    }
}

bool CArchiveReader::Fill() {
    if (m_status != EStreamStatus::kOk) {
        return false;
    }
    if (m_fd < 0) {
        Fail(EStreamStatus::kEndOfData);
        return false;
    }
    m_bufferStart += m_end;
    m_pos = m_end = 0;
    for (;;) {
        const ssize_t got = read(m_fd, m_buffer.data(), m_buffer.size());
        if (got > 0) {
            m_end = static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) {
            Fail(EStreamStatus::kEndOfData);
            return false;
        }
        if (errno != EINTR) {
            Fail(EStreamStatus::kIoError, errno);
            return false;
        }
    }
}

std::uint64_t CArchiveReader::Remaining() const {
    if (m_knownSize == UINT64_MAX) {
        return UINT64_MAX;
    }
    const std::uint64_t consumed = m_bufferStart + m_pos;
    return consumed < m_knownSize ? m_knownSize - consumed : 0;
}

bool CArchiveReader::ReadByte(std::uint8_t& value) {
    if (m_status != EStreamStatus::kOk || (m_pos == m_end && !Fill())) {
        return false;
    }
    value = m_data[m_pos++];
    return true;
}

bool CArchiveReader::ReadExact(void* out, std::size_t n) {
    if (m_status != EStreamStatus::kOk) {
        return false;
    }
    if (n > Remaining()) {
        Fail(EStreamStatus::kEndOfData);
        return false;
    }
    auto* dest = static_cast<unsigned char*>(out);
    while (n > 0) {
        if (m_pos == m_end && !Fill()) {
            return false;
        }
        const std::size_t take = std::min(n, m_end - m_pos);
        std::memcpy(dest, m_data + m_pos, take);
        m_pos += take;
        dest += take;
        n -= take;
    }
    return true;
}

bool CArchiveReader::Append(std::string& out, std::uint64_t n) {
    if (m_status != EStreamStatus::kOk) {
        return false;
    }
    const std::uint64_t remaining = Remaining();
    if (n > remaining) {
        Fail(EStreamStatus::kEndOfData);
        return false;
    }
    // Known size: n is backed by bytes that exist.  Unknown size: grow with what arrives.
    const std::uint64_t hint = remaining == UINT64_MAX ? std::min<std::uint64_t>(n, kBufferSize) : n;
    out.reserve(out.size() + static_cast<std::size_t>(hint));
    while (n > 0) {
        if (m_pos == m_end && !Fill()) {
            return false;
        }
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_end - m_pos));
        out.append(reinterpret_cast<const char*>(m_data + m_pos), take);
        m_pos += take;
        n -= take;
    }
    return true;
}

// ---- CArchiveWriter

CArchiveWriter::CArchiveWriter(int fd) : m_fd(fd) {
    m_buffer.reserve(kBufferSize);
}

CArchiveWriter::CArchiveWriter(std::string& memory) : m_memory(&memory) {}

CArchiveWriter::~CArchiveWriter() {
    // Flush empties the vector but leaves its bytes in the capacity.
    SecureWipe(m_buffer.data(), m_buffer.capacity());
}

void CArchiveWriter::Fail(int error) {
    if (m_status == EStreamStatus::kOk) {
        m_status = EStreamStatus::kIoError;
        m_errno = error;
    }
}

bool CArchiveWriter::WriteOut(const unsigned char* data, std::size_t n) {
    while (n > 0) {
        const ssize_t put = write(m_fd, data, n);
        if (put > 0) {
            data += put;
            n -= static_cast<std::size_t>(put);
        } else if (put == 0 || errno != EINTR) {
            Fail(put == 0 ? ENOSPC : errno);
            return false;
        }
    }
    return true;
}

bool CArchiveWriter::Write(const void* data, std::size_t n) {
    if (m_status != EStreamStatus::kOk) {
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (m_memory) {
        m_memory->append(reinterpret_cast<const char*>(bytes), n);
        return true;
    }
    if (m_buffer.size() + n > kBufferSize) {
        if (!Flush()) {
            return false;
        }
        if (n >= kBufferSize) {
            return WriteOut(bytes, n);
        }
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + n);
    return true;
}

bool CArchiveWriter::Flush() {
    if (m_status != EStreamStatus::kOk) {
        return false;
    }
    if (m_memory || m_buffer.empty()) {
        return true;
    }
    const bool ok = WriteOut(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return ok;
}

// ---- String records

std::size_t EncodeRecordPrefix(std::uint64_t length, unsigned char out[7]) {
    if (length < 0xFF) {
        out[0] = static_cast<unsigned char>(length);
        return 1;
    }
    out[0] = 0xFF;
    if (length < 0xFFFE) {  // 0xFFFE marks 16-bit characters, 0xFFFF a 32-bit length
        out[1] = static_cast<unsigned char>(length);
        out[2] = static_cast<unsigned char>(length >> 8);
        return 3;
    }
    if (length > UINT32_MAX) {
        return 0;
    }
    out[1] = out[2] = 0xFF;
    for (int i = 0; i < 4; ++i) {
        out[3 + i] = static_cast<unsigned char>(length >> (8 * i));
    }
    return 7;
}

bool WriteStringRecord(CArchiveWriter& ar, const char* data, std::size_t length) {
    unsigned char prefix[7];
    const std::size_t prefixLength = EncodeRecordPrefix(length, prefix);
    if (prefixLength == 0) {
        ar.Fail(EFBIG);  // the format cannot hold it
        return false;
    }
    return ar.Write(prefix, prefixLength) && ar.Write(data, length);
}

namespace {

bool ReadU16(CArchiveReader& ar, std::uint16_t& value) {
    unsigned char b[2];
    if (!ar.ReadExact(b, 2)) {
        return false;
    }
    value = static_cast<std::uint16_t>(b[0] | b[1] << 8);
    return true;
}

// One length prefix; wide is set (and length untouched) for the 16-bit-character marker.
bool ReadLength(CArchiveReader& ar, std::uint64_t& length, bool& wide) {
    wide = false;
    std::uint8_t first;
    if (!ar.ReadByte(first)) {
        return false;
    }
    if (first < 0xFF) {
        length = first;
        return true;
    }
    std::uint16_t word;
    if (!ReadU16(ar, word)) {
        return false;
    }
    if (word == 0xFFFE) {
        wide = true;
        return true;
    }
    if (word < 0xFFFF) {
        length = word;
        return true;
    }
    unsigned char b[4];
    if (!ar.ReadExact(b, 4)) {
        return false;
    }
    length = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
             static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    return true;
}

// units 16-bit characters (UTF-16LE) appended to out as code page 1252.
bool ReadWideText(CArchiveReader& ar, std::uint64_t units, std::string& out) {
    if (units > ar.Remaining() / 2) {
        ar.MarkEndOfData();
        return false;
    }
    if (ar.Remaining() != UINT64_MAX) {  // else the units are not known to exist
        out.reserve(static_cast<std::size_t>(units));
    }
    unsigned char chunk[1024];
    bool highPending = false;  // a high surrogate waits for its low half
    while (units > 0) {
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(units, sizeof chunk / 2));
        if (!ar.ReadExact(chunk, 2 * take)) {
            return false;
        }
        units -= take;
        for (std::size_t i = 0; i < take; ++i) {
            const char16_t unit = static_cast<char16_t>(chunk[2 * i] | chunk[2 * i + 1] << 8);
            const bool high = unit >= 0xD800 && unit <= 0xDBFF;
            const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
            if (highPending) {
                highPending = false;
                out.push_back('?');  // the pair, or the lone high half
                if (low) {
                    continue;
                }
            }
            unsigned char byte;
            if (high) {
                highPending = true;
            } else if (!low && cp1252::FromUnicode(unit, byte)) {
                out.push_back(static_cast<char>(byte));
            } else {
                out.push_back('?');
            }
        }
    }
    if (highPending) {
        out.push_back('?');
    }
    return true;
}

}  // namespace

bool ReadStringRecord(CArchiveReader& ar, std::string& out) {
    out.clear();
    std::uint64_t length = 0;
    bool wide = false;
    if (!ReadLength(ar, length, wide)) {
        return false;
    }
    if (!wide) {
        return ar.Append(out, length);
    }
    if (!ReadLength(ar, length, wide)) {
        return false;
    }
    if (wide) {  // a second marker where the character count belongs
        ar.MarkEndOfData();
        return false;
    }
    return ReadWideText(ar, length, out);
}
