#include "AlarmRecord.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "File.h"
#include "WideText.h"

namespace {

// "VQALARMS" and a version: another file, or a later layout, is not read.
constexpr std::uint8_t kMagic[] = {'V', 'Q', 'A', 'L', 'A', 'R', 'M', 'S', 1, 0, 0, 0};
constexpr std::size_t kLongestPathUnits = 32767;
// Header, then per document: minute (8), path length in units (4), path.
constexpr std::uint64_t kLargestRecord =
    sizeof kMagic + 4 + kAlarmRecordDocuments * (8 + 4 + 2 * kLongestPathUnits);

std::wstring g_record_path;  // empty: in the user's local application data
// What this run checked, whatever became of the record.
std::vector<AlarmRecordEntry> g_this_run;

bool SamePath(std::u16string_view a, std::u16string_view b) {
    return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                                reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

std::vector<AlarmRecordEntry>::iterator FindEntry(std::vector<AlarmRecordEntry>& entries, std::u16string_view path) {
    return std::find_if(entries.begin(), entries.end(), [&](const AlarmRecordEntry& e) { return SamePath(e.path, path); });
}

void PutNumber(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t TakeNumber(const std::vector<std::uint8_t>& in, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint64_t{in[at + static_cast<std::size_t>(i)]} << (8 * i);
    return value;
}

std::vector<AlarmRecordEntry> ReadRecord() {
    // Another copy of the program may put its own record in place meanwhile.
    FileHandle file(OpenForReading(AlarmRecordPath(), FILE_SHARE_READ | FILE_SHARE_DELETE));
    if (!file.ok()) return {};
    const auto bytes = ReadAll(file.get(), kLargestRecord);
    if (!bytes) return {};
    return DecodeAlarmRecord(*bytes).value_or(std::vector<AlarmRecordEntry>{});
}

}  // namespace

std::vector<std::uint8_t> EncodeAlarmRecord(const std::vector<AlarmRecordEntry>& entries) {
    std::vector<std::uint8_t> out(std::begin(kMagic), std::end(kMagic));
    PutNumber(out, entries.size(), 4);
    for (const AlarmRecordEntry& e : entries) {
        PutNumber(out, static_cast<std::uint64_t>(e.minute), 8);
        PutNumber(out, e.path.size(), 4);
        for (const char16_t unit : e.path) PutNumber(out, unit, 2);
    }
    return out;
}

std::optional<std::vector<AlarmRecordEntry>> DecodeAlarmRecord(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < sizeof kMagic + 4 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return {};
    std::size_t at = sizeof kMagic;
    const std::uint64_t count = TakeNumber(bytes, at, 4);
    at += 4;
    if (count > kAlarmRecordDocuments) return {};
    std::vector<AlarmRecordEntry> entries;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (bytes.size() - at < 12) return {};
        AlarmRecordEntry e{{}, static_cast<std::int64_t>(TakeNumber(bytes, at, 8))};
        const std::uint64_t units = TakeNumber(bytes, at + 8, 4);
        at += 12;
        if (units == 0 || units > kLongestPathUnits || (bytes.size() - at) / 2 < units) return {};
        for (std::uint64_t u = 0; u < units; ++u, at += 2) e.path += static_cast<char16_t>(TakeNumber(bytes, at, 2));
        entries.push_back(std::move(e));
    }
    if (at != bytes.size()) return {};
    return entries;
}

std::wstring AlarmRecordPath() {
    if (!g_record_path.empty()) return g_record_path;
    return UserDataPath(L"alarms.dat");
}

void SetAlarmRecordPath(std::wstring path) {
    g_record_path = std::move(path);
    g_this_run.clear();
}

std::optional<std::int64_t> AlarmsCheckedFor(const std::wstring& document) {
    if (document.empty()) return {};
    const std::u16string path = ToU16(document);
    std::optional<std::int64_t> checked;
    std::vector<AlarmRecordEntry> recorded = ReadRecord();
    if (auto e = FindEntry(recorded, path); e != recorded.end()) checked = e->minute;
    if (auto e = FindEntry(g_this_run, path); e != g_this_run.end()) checked = std::max(checked.value_or(e->minute), e->minute);
    return checked;
}

void RecordAlarmsChecked(const std::wstring& document, std::int64_t minute) {
    if (document.empty()) return;
    const std::u16string path = ToU16(document);
    // Used last first, in this run's list and in the record.
    const auto note = [&](std::vector<AlarmRecordEntry>& entries) {
        if (auto e = FindEntry(entries, path); e != entries.end()) entries.erase(e);
        entries.insert(entries.begin(), {path, minute});
        if (entries.size() > kAlarmRecordDocuments) entries.resize(kAlarmRecordDocuments);
    };
    note(g_this_run);

    const std::wstring record = AlarmRecordPath();
    const std::size_t slash = record.find_last_of(L'\\');
    if (record.empty() || slash == std::wstring::npos) return;
    // The folder, and any above it that is missing; where it cannot be made
    // there is nothing to write.
    const std::wstring folder = record.substr(0, slash);
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    // Read again just before writing: another copy of the program may have
    // noted its own documents meanwhile. The last to write wins for a
    // document both hold.
    std::vector<AlarmRecordEntry> entries = ReadRecord();
    note(entries);
    const std::vector<std::uint8_t> bytes = EncodeAlarmRecord(entries);
    try {
        ReplaceFileContent(record, [&bytes](const ByteSink& sink) { return sink(bytes); });
    } catch (const std::exception&) {
        // No memory for the temporary file's buffer: the record stays as it was.
    }
}
