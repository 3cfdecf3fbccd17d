// The files vqf reads and writes, and the failure that ends a command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iosfwd>
#include <string>
#include <string_view>

#include "VqfCodec.h"

// Paths arrive as UTF-8 on every platform (the Windows entry converts its
// wide command line), so they are handed to the library as UTF-8 paths.
std::filesystem::path PathOf(const std::string& utf8);

// A failure that ends the command: what to say and with which status.
struct CommandError {
    int status;
    std::string message;
};

// Ends the command with `status`: "file: what", or `what` alone without a
// file.
[[noreturn]] void Throw(int status, const std::string& file, const std::string& what);

// A file read in order through a buffer, or at an offset now and then. A
// file that cannot be opened, sought or read ends the command.
class InputFile {
public:
    explicit InputFile(const std::string& file);

    std::uint64_t size() const { return size_; }

    void Seek(std::uint64_t offset);
    // The next bytes, as many as there are up to `n`.
    std::size_t Read(char* into, std::size_t n);
    // The reader the file walker takes: exactly the bytes asked for.
    VqfReader Reader();

private:
    std::string name_;
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

// Output written through a buffer to a temporary file beside the target,
// renamed over the target only when every byte is out, so that a failed or
// refused command never leaves a half-written file where a good one was.
// "-" is standard output: written as it comes, or, when the output must be
// patched at the end, gathered in a temporary file first.
class OutputFile {
public:
    OutputFile(const std::string& file, std::ostream& out, bool patched);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Without a Commit the staged file goes, and the target stays as it was.
    ~OutputFile();

    std::uint64_t written() const { return written_ + buffer_.size(); }

    void Write(std::string_view bytes);
    // Overwrites bytes already written.
    void Patch(std::uint64_t offset, std::string_view bytes);
    // Bytes already written, read back: as many as there are up to `n`.
    // Those still in the buffer are taken from there, so that reading back
    // does not cut the writes into small pieces.
    std::string ReadBack(std::uint64_t offset, std::size_t n);
    // Puts every byte in place: the target replaced, or standard output
    // written.
    void Commit();

private:
    void Flush();

    std::string name_;
    std::ostream& out_;
    std::filesystem::path target_, temp_;
    std::fstream file_;
    bool open_ = false, to_stdout_ = false;
    std::string buffer_;
    std::uint64_t written_ = 0;
};
