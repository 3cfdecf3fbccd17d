// The item list as CSV for spreadsheets, and that CSV read back: the file
// `vqf csv` writes and `vqf import` reads after a user has sorted, fixed or
// added rows in Excel.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Records.h"

// The byte-order mark and the header row, CR LF at its end.
std::string CsvHeader();

// One item as a row of RFC 4180 fields, CR LF at its end.
void AppendCsvRow(std::string& out, const _EDIT_ITEM& item);

// Input that is not such a CSV, or a row that cannot be read; what() begins
// with the line: "line 12: ...".
class CsvFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fills `into` with up to `size` bytes of input; 0 at its end.
using CsvSource = std::function<std::size_t(char* into, std::size_t size)>;

struct CsvHandler {
    // Each row in file order; `line` is where it begins. Titles are as the
    // cells hold them (the caller makes them unique).
    std::function<void(const _EDIT_ITEM& item, std::size_t line)> item;
    // What is not carried, one line each ("line 1: ...").
    std::function<void(const std::string& warning)> warning;
};

// Reads the whole CSV one row at a time: UTF-8 (with or without the
// byte-order mark) or Shift_JIS (code page 932, as the platform decodes it).
// Returns the kinds in order of first use. Throws CsvFormatError at the first
// row that cannot be read.
std::vector<std::u16string> ReadCsv(const CsvSource& source, const CsvHandler& handler);
