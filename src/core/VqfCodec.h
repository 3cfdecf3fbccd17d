// The action item file (.vqf): structural check, load into records, writer,
// and the small last-file record that names the file saved last.
//
// Layout, all integers 32-bit unsigned little-endian, no padding:
//   17 bytes magic "Velquorandimestra" (skipped on reading, not compared)
//   item count N, then N item blocks:
//     title, kind (length + UTF-16LE units each), 5 x 20 bytes date-times,
//     location, status (length + units each)
//   kind count K, then K kind blocks (length + units)
//   anything after the last kind block is ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Records.h"

inline constexpr char kVqfMagic[] = "Velquorandimestra";
inline constexpr std::size_t kVqfMagicSize = 17;

// The field at which the structural check stopped.
enum class VqfField {
    None,  // the check passed
    FileSize,  // the file is 4 GiB or more
    Magic,
    ItemCount,
    TitleLength, Title,
    KindLength, Kind,
    DateTimes,
    LocationLength, Location,
    StatusLength, Status,
    KindCount,
    KindTextLength, KindText,
    Read,  // the source could not deliver bytes the file's size announced
};

struct VqfCheckResult {
    bool ok = false;
    VqfField field = VqfField::None;
    std::uint32_t index = 0;        // item or kind number (from 0) of the failing block
    std::uint64_t offset = 0;       // where the failing field starts
    std::uint64_t needed = 0;       // bytes the field needs (4, 100, or a text's length)
    std::uint32_t left = 0;         // bytes left in the file at that offset
    std::uint32_t item_count = 0;   // N and K when the check passed
    std::uint32_t kind_count = 0;
    std::uint64_t end = 0;          // offset just past the last kind block when passed

    explicit operator bool() const { return ok; }
    // One line for people: "item 3: title length 4000 at offset 1234
    // exceeds the 12 bytes left", or "valid: 2 items, 1 kind".
    std::string Describe() const;
};

// Walks the file once, as the reader will, and says whether every field lies
// inside it. Never reads past the span.
VqfCheckResult CheckVqf(std::span<const std::uint8_t> bytes);

struct VqfDocument {
    std::unique_ptr<_ITEM_LIST> item_list;    // null when the file holds no items
    std::unique_ptr<_KIND_LIST> action_kinds;  // null when it holds no kinds
};

// Builds the records of a file that passes CheckVqf (a file that does not
// gives an empty document). A title stored with length 0 becomes
// "NewAction"; other texts of length 0 stay empty. An odd byte length makes
// the last unit of the last byte and a zero high byte; a NUL unit ends the
// text. Date-times are taken as stored, unchecked.
VqfDocument LoadVqf(std::span<const std::uint8_t> bytes);

// ---- streaming: files larger than memory should hold twice.

// Size of the buffer a file passes through on its way in or out.
inline constexpr std::size_t kVqfChunkSize = std::size_t{1} << 20;

// The next `into.size()` bytes of the file, in order; false when they cannot
// all be delivered (a read error, or a file that became shorter).
using VqfReader = std::function<bool(std::span<std::uint8_t> into)>;

struct VqfLoadResult {
    // What CheckVqf says of the same bytes, or field Read when the source
    // failed (at the field it was reading).
    VqfCheckResult check;
    // The records, only when the check passed; otherwise empty.
    VqfDocument doc;
};

// Checks and loads in one pass over a source of `size` bytes, read through a
// buffer of `buffer_size` bytes (texts longer than it arrive in pieces).
// Nothing is read past the buffer that holds the end of the last kind block.
// The records are built while the walk goes on and handed out only when the
// whole structure passed: a refused file yields nothing, whatever its first
// blocks held. Running out of memory throws std::bad_alloc, nothing kept.
VqfLoadResult LoadVqfFrom(std::uint64_t size, const VqfReader& read, std::size_t buffer_size = kVqfChunkSize);

// ---- item by item: commands that pass a document through without holding it.

// What a walk hands out, in file order.
struct VqfVisitor {
    // Only the title and the date-times of each item are read (the other
    // texts are skipped, left empty): enough for indices and the schedule.
    bool titles_only = false;
    // Each item: its number (from 0), the offset of its block, its fields as
    // LoadVqf gives them. The item is reused for the next one.
    std::function<void(std::uint32_t index, std::uint64_t offset, const _EDIT_ITEM& item)> item;
    // Each kind text, when set.
    std::function<void(std::uint32_t index, std::u16string_view text)> kind;
};

// Checks a source of `size` bytes as CheckVqf does and hands out each block
// as the walk passes it: before the end of the file is known to be sound, so
// a caller that must not act on a refused file checks first. A visitor may
// throw to stop the walk.
VqfCheckResult VisitVqfFrom(std::uint64_t size, const VqfReader& read, const VqfVisitor& visit,
                            std::size_t buffer_size = kVqfChunkSize);

// One item block from a source positioned at its start, `left` bytes of the
// file from there on; false when the block does not fit or cannot be read.
bool ReadVqfItemFrom(std::uint64_t left, const VqfReader& read, _EDIT_ITEM& item, std::size_t buffer_size);

// The stored form of the pieces of a file, for a writer that lays a file
// down item by item (and fills in the counts when it knows them).
void AppendVqfU32(std::string& out, std::uint32_t value);
void AppendVqfText(std::string& out, std::u16string_view text);  // up to a first NUL
void AppendVqfItem(std::string& out, const _EDIT_ITEM& item);

// Takes each full chunk of the file being written, and the last partial one;
// false stops the writing as failed.
using VqfSink = std::function<bool(std::span<const std::uint8_t> chunk)>;

enum class VqfWriteStatus {
    Written,
    TooLarge,    // the document exceeds the format's 32-bit sizes: nothing was handed out
    SinkFailed,  // the sink refused a chunk; the chunks before it were handed out
};

// Lays the whole file for a document down through a buffer of `buffer_size`
// bytes, in chunks of exactly that size but the last. Each text is written up
// to its first NUL (if any) and an empty text with length 0. A document that
// would not fit the format is refused before the first byte goes out.
VqfWriteStatus WriteVqfTo(const _ITEM_LIST* items, const _KIND_LIST* kinds, const VqfSink& sink,
                          std::size_t buffer_size = kVqfChunkSize);

// The whole file for a document in one vector, as the streaming writer lays
// it down. Returns an empty vector only when the document would not fit the
// format's 32-bit lengths.
std::vector<std::uint8_t> WriteVqf(const _ITEM_LIST* items, const _KIND_LIST* kinds);

// ---- last-file record: 32-bit byte length L, then L bytes of UTF-16LE path.

// The longest path the record's reader takes: the longest path Windows
// handles (32,767 units), so that a document saved under a long path is
// reopened too.
inline constexpr std::size_t kLastFilePathUnits = 32767;

std::vector<std::uint8_t> EncodeLastFileRecord(std::u16string_view path);

// The path a record names, or empty when the record is unusable: shorter
// than 8 bytes, a length of 0 or beyond the path buffer. A record shorter
// than 4 + L yields the bytes present; a NUL ends the path.
std::u16string DecodeLastFileRecord(std::span<const std::uint8_t> bytes);

// The part of `path` after its last backslash, or the whole path when it has
// none.
std::u16string_view FileNameOfPath(std::u16string_view path);

// True when save as must append ".vqf" to a chosen file title: the title is
// shorter than 5 units or does not end in ".vqf" (case-sensitive).
bool NeedsVqfExtension(std::u16string_view title);
