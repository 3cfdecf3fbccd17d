// Calendar import: the to-dos and events of an iCalendar file (RFC 5545) as
// action items, read with libical. Builds without libical (the mingw ones)
// have no calendar reader; HaveCalendarImport() says which this is.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "Records.h"

bool HaveCalendarImport();

// Input that is no calendar or that exceeds the reader's bounds; what()
// begins with the line: "line 12: ...".
class CalendarFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fills `into` with up to `size` bytes of input; 0 at its end.
using CalendarSource = std::function<std::size_t(char* into, std::size_t size)>;

struct CalendarHandler {
    // Each VTODO and VEVENT in file order, its title as the calendar has it
    // (the caller makes titles unique). `line` is where it begins.
    std::function<void(const _EDIT_ITEM& item, std::size_t line)> item;
    // What could not be carried, one line each ("line 12: VTODO \"Plan\": ...").
    std::function<void(const std::string& warning)> warning;
};

// Reads a whole calendar one component at a time; returns the categories in
// order of first appearance (the file's kind list). Throws
// CalendarFormatError at the first fault of the input.
std::vector<std::u16string> ReadCalendar(const CalendarSource& source, const CalendarHandler& handler);
