// What the importers share: the input they pull, the items they hand on and
// the error that ends an import at a fault of its input.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>

#include "Records.h"

// Input that is not of the kind read, or a part of it that cannot be read;
// what() begins with the line: "line 12: ...".
class ImportFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fills `into` with up to `size` bytes of input; 0 at its end.
using ImportSource = std::function<std::size_t(char* into, std::size_t size)>;

struct ImportHandler {
    // Each item in file order; `line` is where it begins. Titles are as the
    // input has them (the caller makes them unique).
    std::function<void(const _EDIT_ITEM& item, std::size_t line)> item;
    // What could not be carried, one line each ("line 12: ...").
    std::function<void(const std::string& warning)> warning;
};
