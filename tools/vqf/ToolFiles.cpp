#include "ToolFiles.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <ostream>
#include <span>
#include <system_error>
#include <thread>

#include "Staging.h"
#include "VqfTool.h"

namespace fs = std::filesystem;

namespace {

std::string Reason(const fs::path& path, const char* fallback) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found) return "no such file";
    if (st.type() == fs::file_type::directory) return "is a directory";
    return fallback;
}

}  // namespace

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

void Throw(int status, const std::string& file, const std::string& what) {
    throw CommandError{status, file.empty() ? what : file + ": " + what};
}

InputFile::InputFile(const std::string& file) : name_(file) {
    const fs::path path = PathOf(file);
    std::error_code ec;
    if (fs::is_directory(path, ec)) Throw(kExitUsage, file, "is a directory");
    in_.open(path, std::ios::binary);
    if (!in_) Throw(kExitUsage, file, Reason(path, "cannot open for reading"));
    in_.seekg(0, std::ios::end);
    const auto end = in_.tellg();
    if (end < 0) Throw(kExitUsage, file, "cannot tell its size");
    size_ = static_cast<std::uint64_t>(end);
    Seek(0);
}

void InputFile::Seek(std::uint64_t offset) {
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    if (!in_) Throw(kExitUsage, name_, "cannot seek");
}

std::size_t InputFile::Read(char* into, std::size_t n) {
    in_.read(into, static_cast<std::streamsize>(n));
    if (in_.bad()) Throw(kExitUsage, name_, "read error");
    return static_cast<std::size_t>(in_.gcount());
}

VqfReader InputFile::Reader() {
    return [this](std::span<std::uint8_t> into) {
        return Read(reinterpret_cast<char*>(into.data()), into.size()) == into.size();
    };
}

OutputFile::OutputFile(const std::string& file, std::ostream& out, bool patched)
    : name_(file == "-" ? "standard output" : file), out_(out) {
    if (file == "-" && !patched) return;
    // Staged under a name of its own, beside the target (a rename stays in
    // one folder) or in the temporary folder: a file already there is never
    // touched, and two runs writing one output never share it.
    std::optional<fs::path> staged;
    if (file == "-") {
        std::error_code ec;
        const fs::path folder = fs::temp_directory_path(ec);
        if (!ec) staged = CreateStagingFile(folder / "vqf", ".tmp");
        to_stdout_ = true;
        if (!staged) Throw(kExitUsage, file, "cannot create a temporary file in " + folder.string());
    } else {
        target_ = PathOf(file);
        staged = CreateStagingFile(target_, ".vqf-tmp");
        if (!staged) {
            const fs::path folder = target_.parent_path().empty() ? fs::path(".") : target_.parent_path();
            Throw(kExitUsage, file, Reason(folder, "cannot create the file"));
        }
    }
    temp_ = *staged;
    // Opened again by name, without truncating: the file is this run's.
    file_.open(temp_, std::ios::binary | std::ios::in | std::ios::out);
    if (!file_) {
        std::error_code ignored;
        fs::remove(temp_, ignored);
        Throw(kExitUsage, file, "cannot create the file");
    }
    open_ = true;
}

OutputFile::~OutputFile() {
    if (!open_) return;
    file_.close();
    std::error_code ignored;
    fs::remove(temp_, ignored);
}

void OutputFile::Write(std::string_view bytes) {
    buffer_ += bytes;
    if (buffer_.size() >= kVqfChunkSize) Flush();
}

void OutputFile::Patch(std::uint64_t offset, std::string_view bytes) {
    Flush();
    file_.seekp(static_cast<std::streamoff>(offset));
    file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file_.seekp(0, std::ios::end);
    if (!file_) Throw(kExitUsage, name_, "write error");
}

std::string OutputFile::ReadBack(std::uint64_t offset, std::size_t n) {
    std::string bytes;
    if (offset < written_ && open_) {
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(n, written_ - offset)));
        file_.seekg(static_cast<std::streamoff>(offset));
        file_.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const bool whole = static_cast<std::size_t>(file_.gcount()) == bytes.size();
        bytes.resize(static_cast<std::size_t>(file_.gcount()));
        file_.clear();
        file_.seekp(0, std::ios::end);
        if (!whole) return bytes;
    }
    const std::uint64_t at = offset + bytes.size();
    if (at >= written_ && at - written_ < buffer_.size())
        bytes.append(buffer_, static_cast<std::size_t>(at - written_), n - bytes.size());
    return bytes;
}

void OutputFile::Commit() {
    Flush();
    if (!open_) return;
    file_.close();
    if (!file_) Throw(kExitUsage, name_, "write error");
    if (to_stdout_) {
        std::ifstream in(temp_, std::ios::binary);
        std::string chunk(kVqfChunkSize, '\0');
        while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)
            out_.write(chunk.data(), in.gcount());
        out_.flush();
        if (!out_ || in.bad()) Throw(kExitUsage, name_, "write error");
        open_ = false;
        std::error_code ignored;
        fs::remove(temp_, ignored);
    } else {
        // On Windows a file that another program is replacing or reading at
        // that moment (a second run writing the same output, a virus scanner,
        // an indexer) refuses to be replaced: try again for a little while.
        std::error_code ec;
        for (int attempt = 0; attempt < 40; ++attempt) {
            fs::rename(temp_, target_, ec);
            if (ec != std::errc::permission_denied) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        if (ec) Throw(kExitUsage, name_, "cannot replace the file: " + ec.message());
        open_ = false;  // the staged name is the target's now
    }
}

void OutputFile::Flush() {
    if (buffer_.empty()) return;
    std::ostream& to = open_ ? static_cast<std::ostream&>(file_) : out_;
    to.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    if (!open_) to.flush();
    if (!to) Throw(kExitUsage, name_, "write error");
    written_ += buffer_.size();
    buffer_.clear();
}
