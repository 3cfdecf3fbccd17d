// How far the alarms of each document were checked, kept between runs, so
// that alarms that came due while a document was closed ring when it opens.
//
// One small file in the user's local application data folder
// (Velquorandimestra\alarms.dat) holds, for the 200 documents used last, the
// document's full path and the last clock minute (ClockMinute) whose alarms
// were checked, the one used last first. Paths are compared as Windows
// compares file names (ordinal, case-insensitive). The file is replaced in one
// step, as a document is saved. A record that is missing, cut short, of
// another format or that cannot be written is ignored without a word: it only
// means that the document's file time stands in for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::size_t kAlarmRecordDocuments = 200;

// The minute up to which the alarms of `document` were checked: the later of
// the record's and what this run checked for it (so that nothing rings twice
// in a run even when the record could not be written); none when neither
// knows the document.
std::optional<std::int64_t> AlarmsCheckedFor(const std::wstring& document);

// Notes that the alarms of `document` were checked up to `minute`, in this
// run and in the record. Failures are ignored.
void RecordAlarmsChecked(const std::wstring& document, std::int64_t minute);

// The record's file, and a replacement for it (tests; an empty path restores
// the user's own). Setting one also forgets what this run checked.
std::wstring AlarmRecordPath();
void SetAlarmRecordPath(std::wstring path);

// The record's content: each document's path and minute, used last first.
struct AlarmRecordEntry {
    std::u16string path;
    std::int64_t minute;
    bool operator==(const AlarmRecordEntry&) const = default;
};
std::vector<std::uint8_t> EncodeAlarmRecord(const std::vector<AlarmRecordEntry>& entries);
// Nothing for bytes that are not a whole record of this format.
std::optional<std::vector<AlarmRecordEntry>> DecodeAlarmRecord(const std::vector<std::uint8_t>& bytes);
