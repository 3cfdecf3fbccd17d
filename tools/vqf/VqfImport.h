// Calendar import: the to-dos and events of an iCalendar file (RFC 5545) as
// action items, read with libical. Builds without libical (the mingw ones)
// have no calendar reader; HaveCalendarImport() says which this is.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "ImportInput.h"
#include "Records.h"

bool HaveCalendarImport();

// Reads a whole calendar one component at a time; returns the categories in
// order of first appearance (the file's kind list). Throws
// ImportFormatError at the first fault of the input.
std::vector<std::u16string> ReadCalendar(const ImportSource& source, const ImportHandler& handler);
