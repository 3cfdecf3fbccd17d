// Kept as the program's general file stream (a settings reader, GetIniValue,
// is built on it); the document itself is read and written by base/File.
// A file named by its path, with an independent read position, write position
// and known size. No file stays open between calls: every transfer (Read,
// Write, ReadLine) opens the file by path, works at the stored position, moves
// it on and closes the file again. While a transfer holds the file, others may
// read it but nobody else may write it, and a transfer refuses to start while
// someone else holds the file for writing.
//
// Every operation that returns an int returns -1 on failure; a failed
// operation leaves the positions as they were.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class CFileInOut {
public:
    // Bytes that ReadLine may place into its caller's buffer at most: give it
    // a buffer of at least this size.
    static constexpr int kReadLineCapacity = 4096;

    CFileInOut() = default;
    CFileInOut(const CFileInOut&) = default;
    CFileInOut& operator=(const CFileInOut&) = default;
    ~CFileInOut();

    // Names the file (which need not exist) and sets the three integers to 0.
    // A null path returns -1 (the integers are 0 all the same, the names stay
    // as they were).
    int Open(const wchar_t* path);
    // Forgets the file and sets the three integers to 0. Returns 0.
    int Close();

    // Origin 1: `offset` from the start; 2: from the current position; 3: from
    // known_size; any other origin: position 0. The target must lie within
    // 0..known_size; the result is the new position, or -1 (unchanged).
    int SetReadPos(int offset, int origin);
    int SetWritePos(int offset, int origin);

    int GetSize() const { return known_size; }
    int GetReadPos() const { return read_position; }
    int GetWritePos() const { return write_position; }

    // known_size becomes the size of the file open under `handle`. Returns 0,
    // or -1 (known_size unchanged) when the size cannot be learned or does
    // not fit a signed 32-bit offset.
    int SetSize(void* handle);
    // The current offset of the open `handle`, or -1 when it cannot be learned
    // or does not fit a signed 32-bit offset.
    static int GetFilePointer(void* handle);

    // Reads up to `count` bytes at read_position into `buffer` and moves
    // read_position past them. Returns the bytes read: 0 at the end of the
    // file. The file must exist. known_size is not used.
    int Read(unsigned char* buffer, int count);

    // Writes `count` bytes of `buffer`. Mode 1 empties the file (creating it
    // when missing) and writes at 0; mode 2 writes at the end (creating the
    // file when missing); mode 3 writes at write_position (creating the file
    // when missing). known_size and write_position follow the file; the result
    // is the bytes written. read_position is never changed.
    int Write(const unsigned char* buffer, int count, int mode);

    // Reads one line of a byte text in which a byte with its high bit set
    // begins a two-byte character and "\r\n" ends a line.
    //
    // The file's size is learned first (known_size is refreshed). The line is
    // the one that holds read_position: its start is found by stepping back
    // from read_position (one byte, or two over a two-byte character) to the
    // start of the file or just after a "\r\n"; from there it runs forwards up
    // to and including its "\r\n", or to known_size. ReadLine copies the part
    // of that line from read_position on (from the start of the character, or
    // of the "\r\n", that read_position falls inside) into `buffer`, at most
    // kReadLineCapacity bytes and never splitting a character or the "\r\n",
    // and moves read_position past the copied bytes. No terminating zero is
    // added.
    //
    // So a result that ends with "\r\n" is a complete line (an empty line gives
    // just "\r\n"); a result without it is either the file's last line or a
    // piece of a line longer than the buffer, whose rest the next calls
    // return. Reading from 0 to the end gives back every byte of the file in
    // order. Returns the bytes placed in `buffer`, 0 at the end of the file,
    // -1 without a path, without a buffer, or when the file cannot be read.
    int ReadLine(unsigned char* buffer);

    // Members, in this order. A path is null (no value) while the object is
    // closed; an empty path is a value.
    std::optional<std::wstring> full_path;   // the path given to Open
    std::optional<std::wstring> short_name;  // from the path's last backslash on, or the whole path
    std::int32_t read_position = 0;
    std::int32_t write_position = 0;
    std::int32_t known_size = 0;

private:
    static int MovePosition(std::int32_t& position, std::int32_t known_size, int offset, int origin);
};
