#include "cfileio.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <limits>
#include <vector>

#include "File.h"

namespace {

constexpr std::int64_t kMaxOffset = std::numeric_limits<std::int32_t>::max();

// Others may read while we hold the file; nobody else may write it. An open
// also fails while someone else already holds the file for writing.
constexpr DWORD kShareReadsOnly = FILE_SHARE_READ;

HANDLE OpenForWriting(const std::wstring& path, DWORD disposition) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, kShareReadsOnly, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// The file's size, or -1 when it cannot be learned or does not fit a signed
// 32-bit offset (the positions are 32-bit).
std::int32_t SizeOf(HANDLE file) {
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
    const std::int64_t size = (static_cast<std::int64_t>(high) << 32) | low;
    return size > kMaxOffset ? -1 : static_cast<std::int32_t>(size);
}

bool Seek(HANDLE file, std::int32_t offset) {
    if (offset < 0) return false;
    LONG high = 0;
    const DWORD low = SetFilePointer(file, static_cast<LONG>(offset), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

// Bytes of an open file looked at one by one, fetched a block at a time.
// Offsets at or past `limit` are never read.
class ByteWindow {
public:
    ByteWindow(HANDLE file, std::int32_t limit) : file_(file), limit_(limit) {}

    // The byte at `at` (0 <= at < limit). A failed read marks the window
    // failed and gives 0.
    unsigned char At(std::int32_t at) {
        if (at < base_ || at >= base_ + static_cast<std::int32_t>(bytes_.size())) Load(at);
        if (failed_) return 0;
        return bytes_[static_cast<std::size_t>(at - base_)];
    }
    bool LineEndAt(std::int32_t at) { return at + 1 < limit_ && At(at) == '\r' && At(at + 1) == '\n'; }
    bool failed() const { return failed_; }

private:
    static constexpr std::int32_t kBlock = 4096;

    void Load(std::int32_t at) {
        base_ = at - at % kBlock;
        const std::int32_t want = static_cast<std::int32_t>(std::min<std::int64_t>(kBlock, limit_ - base_));
        bytes_.assign(static_cast<std::size_t>(want), 0);
        DWORD got = 0;
        if (failed_ || !Seek(file_, base_) ||
            !ReadFile(file_, bytes_.data(), static_cast<DWORD>(want), &got, nullptr) ||
            got != static_cast<DWORD>(want)) {
            failed_ = true;
            bytes_.clear();
        }
    }

    HANDLE file_;
    std::int32_t limit_;
    std::int32_t base_ = 0;
    std::vector<unsigned char> bytes_;
    bool failed_ = false;
};

}  // namespace

CFileInOut::~CFileInOut() = default;

int CFileInOut::Open(const wchar_t* path) {
    read_position = 0;
    write_position = 0;
    known_size = 0;
    if (path == nullptr) return -1;
    full_path = std::wstring(path);
    const wchar_t* last_backslash = std::wcsrchr(path, L'\\');
    short_name = std::wstring(last_backslash != nullptr ? last_backslash : path);
    return 0;
}

int CFileInOut::Close() {
    read_position = 0;
    write_position = 0;
    known_size = 0;
    full_path.reset();
    short_name.reset();
    return 0;
}

int CFileInOut::MovePosition(std::int32_t& position, std::int32_t size, int offset, int origin) {
    // Sums in 64 bits: a position plus an offset must not wrap into range.
    std::int64_t target;
    switch (origin) {
        case 1: target = offset; break;
        case 2: target = static_cast<std::int64_t>(position) + offset; break;
        case 3: target = static_cast<std::int64_t>(size) + offset; break;
        default: target = 0; break;
    }
    if (target < 0 || target > size) return -1;
    position = static_cast<std::int32_t>(target);
    return position;
}

int CFileInOut::SetReadPos(int offset, int origin) { return MovePosition(read_position, known_size, offset, origin); }

int CFileInOut::SetWritePos(int offset, int origin) { return MovePosition(write_position, known_size, offset, origin); }

int CFileInOut::SetSize(void* handle) {
    const std::int32_t size = SizeOf(static_cast<HANDLE>(handle));
    if (size < 0) return -1;
    known_size = size;
    return 0;
}

int CFileInOut::GetFilePointer(void* handle) {
    LONG high = 0;
    const DWORD low = SetFilePointer(static_cast<HANDLE>(handle), 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    const std::int64_t at = (static_cast<std::int64_t>(high) << 32) | low;
    return at < 0 || at > kMaxOffset ? -1 : static_cast<int>(at);
}

int CFileInOut::Read(unsigned char* buffer, int count) {
    if (!full_path || count < 0 || (buffer == nullptr && count > 0)) return -1;
    FileHandle file(OpenForReading(*full_path, kShareReadsOnly));
    if (!file.ok()) return -1;
    if (!Seek(file.get(), read_position)) return -1;
    // Keep the new position representable.
    const DWORD want = static_cast<DWORD>(std::min<std::int64_t>(count, kMaxOffset - read_position));
    DWORD got = 0;
    if (want > 0 && !ReadFile(file.get(), buffer, want, &got, nullptr)) return -1;
    read_position += static_cast<std::int32_t>(got);
    return static_cast<int>(got);
}

int CFileInOut::Write(const unsigned char* buffer, int count, int mode) {
    if (mode < 1 || mode > 3) return -1;
    if (!full_path || count < 0 || (buffer == nullptr && count > 0)) return -1;

    HANDLE opened = INVALID_HANDLE_VALUE;
    if (mode == 1) {
        opened = OpenForWriting(*full_path, TRUNCATE_EXISTING);
        if (opened == INVALID_HANDLE_VALUE) opened = OpenForWriting(*full_path, CREATE_NEW);
    } else {
        opened = OpenForWriting(*full_path, OPEN_ALWAYS);
    }
    FileHandle file(opened);
    if (!file.ok()) return -1;

    std::int32_t at = write_position;
    if (mode != 3) {
        known_size = SizeOf(file.get());
        if (known_size >= 0) at = known_size;
    }
    // The end of the write must stay a representable position.
    if (static_cast<std::int64_t>(at) + count > kMaxOffset) return -1;
    if (!Seek(file.get(), at)) return -1;
    DWORD put = 0;
    if (count > 0 && !WriteFile(file.get(), buffer, static_cast<DWORD>(count), &put, nullptr)) return -1;
    write_position = at + static_cast<std::int32_t>(put);
    known_size = SizeOf(file.get());
    return static_cast<int>(put);
}

int CFileInOut::ReadLine(unsigned char* buffer) {
    if (!full_path || buffer == nullptr) return -1;
    FileHandle file(OpenForReading(*full_path, kShareReadsOnly));
    if (!file.ok()) return -1;
    if (SetSize(file.get()) != 0) return -1;
    const std::int32_t limit = known_size;
    if (read_position >= limit) return 0;

    ByteWindow bytes(file.get(), limit);

    // Back to the start of the line: just after a "\r\n" or the file's start.
    // Stepping two bytes over a two-byte character never jumps over a line
    // end, since neither '\r' nor '\n' has its high bit set.
    std::int32_t start = read_position;
    while (start > 0) {
        if (start >= 2 && bytes.LineEndAt(start - 2)) break;
        start -= (start >= 2 && (bytes.At(start - 2) & 0x80)) ? 2 : 1;
    }

    // Units of the line: a two-byte character, a "\r\n", or a single byte (a
    // lead byte that is the file's last byte stands alone).
    auto unit_length = [&](std::int32_t at) -> std::int32_t {
        if (at + 1 >= limit) return 1;
        if (bytes.LineEndAt(at) || (bytes.At(at) & 0x80)) return 2;
        return 1;
    };

    // Forwards to the unit that holds read_position, so the copy starts on a
    // unit boundary.
    std::int32_t from = start;
    while (from + unit_length(from) <= read_position) from += unit_length(from);

    // Copy whole units up to and including the line end, the file's end or
    // the buffer's capacity.
    std::int32_t end = from;
    while (end < limit) {
        const std::int32_t length = unit_length(end);
        if (end - from + length > kReadLineCapacity) break;
        const bool line_end = bytes.LineEndAt(end);
        end += length;
        if (line_end) break;
    }
    if (bytes.failed()) return -1;

    const std::int32_t taken = end - from;
    if (taken > 0) {
        if (!Seek(file.get(), from)) return -1;
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, static_cast<DWORD>(taken), &got, nullptr) ||
            got != static_cast<DWORD>(taken))
            return -1;
    }
    read_position = end;
    return taken;
}
