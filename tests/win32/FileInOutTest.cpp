// The file stream class on real files: positions, transfers, sharing and
// line reading.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "Digest.h"
#include "Harness.h"
#include "cfileio.h"
#include "library.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A handle the test holds on a file, closed at the end of the scope.
struct Held {
    Held(const std::wstring& path, DWORD access, DWORD share)
        : h(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~Held() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    HANDLE h;
};

// Opens `file` on `path` and sets its known size from the real file.
void OpenSized(CFileInOut& file, const std::wstring& path) {
    ASSERT_EQ(file.Open(path.c_str()), 0);
    Held reader(path, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_NE(reader.h, INVALID_HANDLE_VALUE);
    ASSERT_EQ(file.SetSize(reader.h), 0);
}

TEST(FileInOut, OpenNamesTheFileAndCloseForgetsIt) {
    struct Case {
        const wchar_t* path;
        const wchar_t* short_name;
    };
    const Case cases[] = {
        {L"C:\\data\\notes.txt", L"\\notes.txt"},
        {L"notes.txt", L"notes.txt"},
        {L"dir\\", L"\\"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        CFileInOut file;
        file.read_position = file.write_position = file.known_size = 7;
        ASSERT_EQ(file.Open(c.path), 0);
        EXPECT_EQ(file.full_path, std::wstring(c.path));
        EXPECT_EQ(file.short_name, std::wstring(c.short_name));
        EXPECT_EQ(file.GetReadPos(), 0);
        EXPECT_EQ(file.GetWritePos(), 0);
        EXPECT_EQ(file.GetSize(), 0);
        // The file need not exist: nothing was created.
        if (*c.path) {
            EXPECT_FALSE(FileExists(c.path));
        }

        file.known_size = 3;
        EXPECT_EQ(file.Close(), 0);
        EXPECT_FALSE(file.full_path.has_value());
        EXPECT_FALSE(file.short_name.has_value());
        EXPECT_EQ(file.GetSize(), 0);
    }

    CFileInOut file;
    file.read_position = file.write_position = file.known_size = 5;
    EXPECT_EQ(file.Open(nullptr), -1);
    EXPECT_FALSE(file.full_path.has_value());
    EXPECT_EQ(file.GetReadPos(), 0);
    EXPECT_EQ(file.GetWritePos(), 0);
    EXPECT_EQ(file.GetSize(), 0);
}

TEST(FileInOut, CopyIsIndependent) {
    CFileInOut source;
    ASSERT_EQ(source.Open(L"C:\\a\\b.dat"), 0);
    source.read_position = 1;
    source.write_position = 2;
    source.known_size = 3;
    CFileInOut copy(source);
    source.Close();
    EXPECT_EQ(copy.full_path, std::wstring(L"C:\\a\\b.dat"));
    EXPECT_EQ(copy.short_name, std::wstring(L"\\b.dat"));
    EXPECT_EQ(copy.GetReadPos(), 1);
    EXPECT_EQ(copy.GetWritePos(), 2);
    EXPECT_EQ(copy.GetSize(), 3);

    const CFileInOut closed_copy(source);
    EXPECT_FALSE(closed_copy.full_path.has_value());
    EXPECT_FALSE(closed_copy.short_name.has_value());
}

TEST(FileInOut, PositionsStayWithinTheKnownSize) {
    struct Step {
        int offset, origin;
        int expected;  // result; the position is this when not -1, else unchanged
    };
    // Right after Open nothing but 0 is reachable.
    const Step fresh[] = {{0, 1, 0}, {1, 1, -1}, {-1, 3, -1}, {0, 3, 0}, {1, 2, -1}, {5, 9, 0}};
    // With a known size of 4, applied in order (origin 2 is relative).
    const Step sized[] = {
        {5, 1, -1}, {-1, 3, 3},  {7, 9, 0},         {4, 1, 4},       {1, 2, -1},     {-2, 2, 2},
        {-3, 2, -1}, {2, 2, 4},  {-5, 3, -1},       {0, 3, 4},       {3, 0, 0},      {2, 1, 2},
        {INT_MAX, 2, -1},        {INT_MIN, 2, -1},  {INT_MAX, 3, -1}, {-4, 3, 0},
    };
    using Setter = int (CFileInOut::*)(int, int);
    using Getter = int (CFileInOut::*)() const;
    const std::pair<Setter, Getter> which[] = {{&CFileInOut::SetReadPos, &CFileInOut::GetReadPos},
                                               {&CFileInOut::SetWritePos, &CFileInOut::GetWritePos}};
    for (const auto& [set, get] : which) {
        CFileInOut file;
        ASSERT_EQ(file.Open(L"unused.bin"), 0);
        for (const Step& s : fresh) {
            EXPECT_EQ((file.*set)(s.offset, s.origin), s.expected) << s.offset << "," << s.origin;
            EXPECT_EQ((file.*get)(), 0);
        }
        file.known_size = 4;
        int position = 0;
        for (const Step& s : sized) {
            EXPECT_EQ((file.*set)(s.offset, s.origin), s.expected) << s.offset << "," << s.origin;
            if (s.expected != -1) position = s.expected;
            EXPECT_EQ((file.*get)(), position) << s.offset << "," << s.origin;
        }
        // The other position never moved.
        EXPECT_EQ(set == &CFileInOut::SetReadPos ? file.GetWritePos() : file.GetReadPos(), 0);
    }
}

TEST(FileInOut, SizeAndPointerOfAnOpenHandle) {
    TempDir dir;
    const std::wstring path = dir.File(L"ten.bin");
    WriteBytes(path, B("0123456789"));
    CFileInOut file;
    ASSERT_EQ(file.Open(path.c_str()), 0);
    Held reader(path, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_NE(reader.h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.SetSize(reader.h), 0);
    EXPECT_EQ(file.GetSize(), 10);
    EXPECT_EQ(CFileInOut::GetFilePointer(reader.h), 0);
    SetFilePointer(reader.h, 6, nullptr, FILE_BEGIN);
    EXPECT_EQ(file.GetFilePointer(reader.h), 6);

    // A handle that is no file: a refusal, and the known size stays.
    EXPECT_EQ(file.SetSize(INVALID_HANDLE_VALUE), -1);
    EXPECT_EQ(file.GetSize(), 10);
    EXPECT_EQ(CFileInOut::GetFilePointer(INVALID_HANDLE_VALUE), -1);
}

TEST(FileInOut, ReadMovesOnAndStopsAtTheEnd) {
    TempDir dir;
    const std::wstring path = dir.File(L"digits.bin");
    WriteBytes(path, B("0123456789"));
    CFileInOut file;
    ASSERT_EQ(file.Open(path.c_str()), 0);

    struct Step {
        int count;
        std::string bytes;
        int position_after;
    };
    const Step steps[] = {{4, "0123", 4}, {0, "", 4}, {10, "456789", 10}, {10, "", 10}, {1, "", 10}};
    for (const Step& s : steps) {
        unsigned char buffer[16] = {};
        EXPECT_EQ(file.Read(buffer, s.count), static_cast<int>(s.bytes.size()));
        EXPECT_EQ(std::string(buffer, buffer + s.bytes.size()), s.bytes);
        EXPECT_EQ(buffer[s.bytes.size()], 0) << "read more than it reported";
        EXPECT_EQ(file.GetReadPos(), s.position_after);
    }
    EXPECT_EQ(file.GetSize(), 0) << "Read does not learn the size";

    // Refusals leave the position.
    unsigned char buffer[4];
    EXPECT_EQ(file.Read(buffer, -1), -1);
    EXPECT_EQ(file.Read(nullptr, 2), -1);
    EXPECT_EQ(file.GetReadPos(), 10);

    CFileInOut missing;
    ASSERT_EQ(missing.Open(dir.File(L"none.bin").c_str()), 0);
    EXPECT_EQ(missing.Read(buffer, 4), -1);
    EXPECT_FALSE(FileExists(dir.File(L"none.bin")));
    CFileInOut closed;
    EXPECT_EQ(closed.Read(buffer, 4), -1);
}

TEST(FileInOut, WriteModes) {
    TempDir dir;
    const Bytes abc = B("abc");

    // Mode 2 on a missing file creates it and writes at 0, then appends.
    {
        const std::wstring path = dir.File(L"append.bin");
        CFileInOut file;
        ASSERT_EQ(file.Open(path.c_str()), 0);
        EXPECT_EQ(file.Write(abc.data(), 3, 2), 3);
        EXPECT_EQ(ReadBytes(path), abc);
        EXPECT_EQ(file.GetWritePos(), 3);
        EXPECT_EQ(file.GetSize(), 3);
        EXPECT_EQ(file.Write(abc.data(), 2, 2), 2);
        EXPECT_EQ(ReadBytes(path), B("abcab"));
        EXPECT_EQ(file.GetWritePos(), 5);
        EXPECT_EQ(file.GetSize(), 5);
        EXPECT_EQ(file.GetReadPos(), 0);
    }
    // Mode 1 empties an existing file first, and creates a missing one.
    {
        const std::wstring path = dir.File(L"replace.bin");
        WriteBytes(path, B("0123456789"));
        CFileInOut file;
        OpenSized(file, path);
        ASSERT_EQ(file.SetWritePos(8, 1), 8);
        EXPECT_EQ(file.Write(abc.data(), 3, 1), 3);
        EXPECT_EQ(ReadBytes(path), abc);
        EXPECT_EQ(file.GetWritePos(), 3);
        EXPECT_EQ(file.GetSize(), 3);

        const std::wstring fresh = dir.File(L"fresh.bin");
        ASSERT_EQ(file.Open(fresh.c_str()), 0);
        EXPECT_EQ(file.Write(abc.data(), 3, 1), 3);
        EXPECT_EQ(ReadBytes(fresh), abc);
    }
    // Mode 3 overwrites at the write position and leaves the size alone.
    {
        const std::wstring path = dir.File(L"middle.bin");
        WriteBytes(path, B("0123456789"));
        CFileInOut file;
        OpenSized(file, path);
        ASSERT_EQ(file.SetReadPos(6, 1), 6);
        ASSERT_EQ(file.SetWritePos(4, 1), 4);
        EXPECT_EQ(file.Write(abc.data(), 3, 3), 3);
        EXPECT_EQ(ReadBytes(path), B("0123abc789"));
        EXPECT_EQ(file.GetWritePos(), 7);
        EXPECT_EQ(file.GetSize(), 10);
        EXPECT_EQ(file.GetReadPos(), 6);
        // Past the old end the file grows and the size follows.
        EXPECT_EQ(file.Write(abc.data(), 3, 3), 3);
        EXPECT_EQ(file.Write(abc.data(), 3, 3), 3);
        EXPECT_EQ(ReadBytes(path), B("0123abcabcabc"));
        EXPECT_EQ(file.GetWritePos(), 13);
        EXPECT_EQ(file.GetSize(), 13);
    }
    // Refusals: nothing is created or changed.
    {
        const std::wstring path = dir.File(L"refused.bin");
        CFileInOut file;
        ASSERT_EQ(file.Open(path.c_str()), 0);
        for (int mode : {0, 4, -1, INT_MAX}) EXPECT_EQ(file.Write(abc.data(), 3, mode), -1) << mode;
        EXPECT_EQ(file.Write(abc.data(), -1, 2), -1);
        EXPECT_EQ(file.Write(nullptr, 3, 2), -1);
        EXPECT_FALSE(FileExists(path));
        CFileInOut closed;
        EXPECT_EQ(closed.Write(abc.data(), 3, 2), -1);
    }
}

TEST(FileInOut, TransfersRefuseWhileAnotherWriterHoldsTheFile) {
    TempDir dir;
    const std::wstring path = dir.File(L"held.bin");
    WriteBytes(path, B("line\r\nmore"));
    CFileInOut file;
    OpenSized(file, path);
    ASSERT_EQ(file.SetWritePos(2, 1), 2);
    const Bytes abc = B("abc");
    unsigned char buffer[CFileInOut::kReadLineCapacity];
    {
        // Another writer that would even share everything.
        Held writer(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_NE(writer.h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(file.Read(buffer, 4), -1);
        EXPECT_EQ(file.ReadLine(buffer), -1);
        for (int mode : {1, 2, 3}) EXPECT_EQ(file.Write(abc.data(), 3, mode), -1) << mode;
        EXPECT_EQ(file.GetReadPos(), 0);
        EXPECT_EQ(file.GetWritePos(), 2);
    }
    EXPECT_EQ(ReadBytes(path), B("line\r\nmore"));
    {
        // A reader that shares reads and writes does not stand in the way.
        Held reader(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_NE(reader.h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(file.Read(buffer, 4), 4);
        EXPECT_EQ(file.Write(abc.data(), 3, 3), 3);
    }
    EXPECT_EQ(ReadBytes(path), B("liabc\nmore"));
}

// Every ReadLine result from the current position to the end of the file.
std::vector<std::string> AllLines(CFileInOut& file) {
    std::vector<std::string> lines;
    for (int guard = 0; guard < 100; ++guard) {
        std::vector<unsigned char> buffer(CFileInOut::kReadLineCapacity + 64, 0xEE);
        const int got = file.ReadLine(buffer.data());
        EXPECT_GE(got, 0);
        EXPECT_LE(got, CFileInOut::kReadLineCapacity);
        if (got <= 0) break;
        for (std::size_t i = static_cast<std::size_t>(got); i < buffer.size(); ++i) {
            if (buffer[i] != 0xEE) {
                ADD_FAILURE() << "ReadLine wrote past its result at " << i;
                break;
            }
        }
        lines.emplace_back(buffer.begin(), buffer.begin() + got);
    }
    return lines;
}

TEST(FileInOut, ReadLineSplitsTheFileIntoLines) {
    const std::string kLong(5000, 'x');
    const std::string kFill(CFileInOut::kReadLineCapacity - 1, 'a');
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"several lines, an empty one, last without line end",
         "first\r\n\r\nthird line\r\nlast",
         {"first\r\n", "\r\n", "third line\r\n", "last"}},
        {"ends with a line end", "a\r\nb\r\n", {"a\r\n", "b\r\n"}},
        {"lone CR and LF are text", "a\rb\nc\r\n", {"a\rb\nc\r\n"}},
        {"empty file", "", {}},
        {"a line longer than the buffer",
         kLong + "\r\ny",
         {kLong.substr(0, CFileInOut::kReadLineCapacity),
          kLong.substr(CFileInOut::kReadLineCapacity) + "\r\n", "y"}},
        {"a two-byte character is not split at the buffer's end",
         kFill + "\x82\xA0\r\n",
         {kFill, "\x82\xA0\r\n"}},
        {"the line end is not split at the buffer's end", kFill + "\r\nz", {kFill, "\r\n", "z"}},
        {"a second byte that looks like a line end belongs to its character",
         "\x82\r\nab\r\n",
         {"\x82\r\nab\r\n"}},
        {"a lead byte as the file's last byte", "ab\x82", {"ab\x82"}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::wstring path = dir.File(L"lines.txt");
        WriteBytes(path, Bytes(c.content.begin(), c.content.end()));
        CFileInOut file;
        ASSERT_EQ(file.Open(path.c_str()), 0);
        EXPECT_EQ(AllLines(file), c.lines) << c.name;
        EXPECT_EQ(file.GetReadPos(), static_cast<int>(c.content.size())) << c.name;
        EXPECT_EQ(file.GetSize(), static_cast<int>(c.content.size())) << c.name;
    }
}

TEST(FileInOut, ReadLineFromInsideALine) {
    TempDir dir;
    const std::wstring path = dir.File(L"inside.txt");
    const std::string content = "ab\x82\xA0" "cd\r\nxy";
    WriteBytes(path, Bytes(content.begin(), content.end()));
    struct Case {
        int position;
        std::string line;  // what ReadLine returns from there
        int position_after;
    };
    const Case cases[] = {
        {1, "b\x82\xA0" "cd\r\n", 8},
        {3, "\x82\xA0" "cd\r\n", 8},  // inside the two-byte character: from its start
        {7, "\r\n", 8},               // between CR and LF: from the CR
        {9, "y", 10},
        {10, "", 10},                 // at the end
    };
    for (const Case& c : cases) {
        CFileInOut file;
        OpenSized(file, path);
        ASSERT_EQ(file.SetReadPos(c.position, 1), c.position);
        unsigned char buffer[CFileInOut::kReadLineCapacity];
        const int got = file.ReadLine(buffer);
        ASSERT_GE(got, 0) << c.position;
        EXPECT_EQ(std::string(buffer, buffer + got), c.line) << c.position;
        EXPECT_EQ(file.GetReadPos(), c.position_after) << c.position;
    }
}

TEST(FileInOut, ReadLineRefusals) {
    TempDir dir;
    unsigned char buffer[CFileInOut::kReadLineCapacity];
    CFileInOut closed;
    EXPECT_EQ(closed.ReadLine(buffer), -1);
    CFileInOut missing;
    ASSERT_EQ(missing.Open(dir.File(L"none.txt").c_str()), 0);
    EXPECT_EQ(missing.ReadLine(buffer), -1);
    EXPECT_FALSE(FileExists(dir.File(L"none.txt")));

    // The file shrank below the position: end of file, position kept.
    const std::wstring path = dir.File(L"shrinks.txt");
    WriteBytes(path, B("0123456789"));
    CFileInOut file;
    OpenSized(file, path);
    ASSERT_EQ(file.SetReadPos(8, 1), 8);
    WriteBytes(path, B("0123"));
    EXPECT_EQ(file.ReadLine(buffer), 0);
    EXPECT_EQ(file.GetReadPos(), 8);
    EXPECT_EQ(file.ReadLine(nullptr), -1);
}

// The digest that tells a file's content from another: XXH64's own values,
// however the bytes arrive (split inside a 32-byte stripe, across several,
// or one at a time), and the same for the file on disk.
TEST(ContentDigest, IsXxh64OfTheBytesHoweverTheyArrive) {
    Bytes long_input;
    for (int i = 0; i < 3; ++i)
        for (int b = 0; b < 256; ++b) long_input.push_back(static_cast<std::uint8_t>(b));
    for (char c : std::string("abcdefghijk")) long_input.push_back(static_cast<std::uint8_t>(c));
    const struct {
        Bytes bytes;
        std::uint64_t hash;
    } cases[] = {
        {{}, 0xEF46DB3751D8E999ull},
        {B("a"), 0xD24EC4F1A98C6E5Bull},
        {B("abcd"), 0xDE0327B0D25D92CCull},
        {long_input, 0xB0FC6DF0DB41E43Dull},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        for (std::size_t split : {std::size_t{0}, std::size_t{1}, std::size_t{31}, std::size_t{33}, std::size_t{700}}) {
            DigestOfBytes digest;
            const std::size_t first = std::min(split, c.bytes.size());
            digest.Add(std::span(c.bytes).first(first));
            digest.Add(std::span(c.bytes).subspan(first));
            EXPECT_EQ(digest.Finish(), (ContentDigest{c.bytes.size(), c.hash})) << "split at " << split;
        }
        DigestOfBytes one_by_one;
        for (std::uint8_t b : c.bytes) one_by_one.Add(std::span(&b, 1));
        EXPECT_EQ(one_by_one.Finish().hash, c.hash);
        WriteBytes(dir.File(L"d.bin"), c.bytes);
        EXPECT_EQ(DigestOfFile(dir.File(L"d.bin")), (ContentDigest{c.bytes.size(), c.hash}));
    }
    EXPECT_EQ(DigestOfFile(dir.File(L"none.bin")), std::nullopt);
}

TEST(GetIniValue, TouchesNeitherFileNorOutput) {
    TempDir dir;
    const std::wstring path = dir.File(L"settings.ini");
    WriteBytes(path, B("[s]\r\nkey=value\r\n"));
    for (const wchar_t* p : {path.c_str(), static_cast<const wchar_t*>(nullptr), L"missing.ini"}) {
        char value[8] = {'u', 'n', 't', 'o', 'u', 'c', 'h', 'd'};
        EXPECT_EQ(GetIniValue(p, "key", value), 0);
        EXPECT_EQ(std::string(value, 8), "untouchd");
    }
    EXPECT_EQ(ReadBytes(path), B("[s]\r\nkey=value\r\n"));
    EXPECT_FALSE(FileExists(L"missing.ini"));
}

}  // namespace
