// Buffered byte streams over a file descriptor or memory, and the length-prefixed string records
// that vault files are made of.
//
// String record: content length L, then L bytes.  L < 255: one byte L.  255 <= L < 65534: FF and
// L as 16 bits.  L >= 65534: FF, FFFF and L as 32 bits (all little-endian).  On reading, FF FEFF
// marks a record of 16-bit characters (a second prefix counts them), converted to code page 1252.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Why a stream stopped.
enum class EStreamStatus {
    kOk,
    kEndOfData,  // the data ended inside an item
    kIoError,    // the system refused or failed a read or write; see Errno()
};

class CArchiveReader {
public:
    static constexpr std::size_t kBufferSize = 16384;

    // Reads from an open file descriptor (not closed here).  When the descriptor is a regular file
    // its size bounds every length read from it.
    explicit CArchiveReader(int fd);
    // Reads from memory that outlives the reader.
    CArchiveReader(const void* data, std::size_t size);
    CArchiveReader(const CArchiveReader&) = delete;
    CArchiveReader& operator=(const CArchiveReader&) = delete;
    ~CArchiveReader();  // wipes the buffer: it held vault texts, plain ones among them

    EStreamStatus Status() const { return m_status; }
    int Errno() const { return m_errno; }

    bool ReadByte(std::uint8_t& value);
    bool ReadExact(void* out, std::size_t n);
    // Appends n bytes to out.  A length larger than what is left in a file of known size fails at
    // once, without allocating; otherwise memory grows only with the bytes actually read.
    bool Append(std::string& out, std::uint64_t n);

    // Bytes left when the total size is known, else UINT64_MAX.
    std::uint64_t Remaining() const;

    // Stops the stream as if the data had ended: for content that cannot be what the format
    // expects.
    void MarkEndOfData() { Fail(EStreamStatus::kEndOfData); }

private:
    bool Fill();  // false when nothing more is to be had (the status says why)
    void Fail(EStreamStatus status, int error = 0);

    int m_fd = -1;
    std::uint64_t m_knownSize = UINT64_MAX;  // bytes the source holds from the start, when known
    std::uint64_t m_bufferStart = 0;         // source offset of m_data[0]
    std::vector<unsigned char> m_buffer;     // file sources only
    const unsigned char* m_data = nullptr;   // the buffer, or the whole memory source
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    EStreamStatus m_status = EStreamStatus::kOk;
    int m_errno = 0;
};

class CArchiveWriter {
public:
    static constexpr std::size_t kBufferSize = 16384;

    explicit CArchiveWriter(int fd);               // writes to a file descriptor (not closed here)
    explicit CArchiveWriter(std::string& memory);  // appends to a string
    CArchiveWriter(const CArchiveWriter&) = delete;
    CArchiveWriter& operator=(const CArchiveWriter&) = delete;
    ~CArchiveWriter();  // wipes the buffer, as the reader does

    EStreamStatus Status() const { return m_status; }
    int Errno() const { return m_errno; }

    bool Write(const void* data, std::size_t n);
    bool Flush();  // hands buffered bytes to the system (not fsync)

    // Stops the stream with a system error (an errno value).
    void Fail(int error);

private:
    bool WriteOut(const unsigned char* data, std::size_t n);

    int m_fd = -1;
    std::string* m_memory = nullptr;
    std::vector<unsigned char> m_buffer;
    EStreamStatus m_status = EStreamStatus::kOk;
    int m_errno = 0;
};

// The prefix bytes for a record of content length L (1, 3 or 7 bytes); returns their number, or 0
// when L does not fit in 32 bits.
std::size_t EncodeRecordPrefix(std::uint64_t length, unsigned char out[7]);

bool WriteStringRecord(CArchiveWriter& ar, const char* data, std::size_t length);
inline bool WriteStringRecord(CArchiveWriter& ar, const std::string& text) {
    return WriteStringRecord(ar, text.data(), text.size());
}

// Reads one record into out (replacing its contents, keeping its capacity).  False at end of data or
// on a read error.  A record of 16-bit characters becomes code page 1252: a character without a byte
// becomes '?', and so does a surrogate pair.
bool ReadStringRecord(CArchiveReader& ar, std::string& out);
