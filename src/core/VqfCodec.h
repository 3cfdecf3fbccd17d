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

// Builds the records of a file that passed CheckVqf (a file that did not
// gives an empty document). A title stored with length 0 becomes
// "NewAction"; other texts of length 0 stay empty. An odd byte length makes
// the last unit of the last byte and a zero high byte; a NUL unit ends the
// text. Date-times are taken as stored, unchecked.
VqfDocument LoadVqf(std::span<const std::uint8_t> bytes);

// The whole file for a document. Each text is written up to its first NUL
// (if any) and an empty text with length 0. Returns an empty vector only when
// the document would not fit the format's 32-bit lengths.
std::vector<std::uint8_t> WriteVqf(const _ITEM_LIST* items, const _KIND_LIST* kinds);

// ---- last-file record: 32-bit byte length L, then L bytes of UTF-16LE path.

// The longest path the record's reader takes: its buffer holds 2048 units
// including the terminator.
inline constexpr std::size_t kLastFilePathUnits = 2047;

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
