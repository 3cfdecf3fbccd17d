// The item list as CSV for spreadsheets, and that CSV read back: the file
// `vqf csv` writes and `vqf import` reads after a user has sorted, fixed or
// added rows in Excel.
#pragma once

#include <string>
#include <vector>

#include "ImportInput.h"
#include "Records.h"

// The byte-order mark and the header row, CR LF at its end.
std::string CsvHeader();

// One item as a row of RFC 4180 fields, CR LF at its end.
void AppendCsvRow(std::string& out, const _EDIT_ITEM& item);

// Reads the whole CSV one row at a time: UTF-8 (with or without the
// byte-order mark) or Shift_JIS (code page 932, as the platform decodes it).
// Returns the kinds in order of first use. Throws ImportFormatError at the first
// row that cannot be read.
std::vector<std::u16string> ReadCsv(const ImportSource& source, const ImportHandler& handler);
