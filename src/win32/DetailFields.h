// The keys and typing limits of the main dialog's detail fields (title,
// kind, the date-time edits, location, status).
#pragma once

#include <windows.h>

#include <cstddef>

// Typing limits, in UTF-16 units. The title is an item's key and its list
// line: the 2047 units of a control buffer. A date-time number is read from
// at most 32 units. Location and status are free texts, taken whole: their
// limit only keeps one field from growing without bound.
inline constexpr std::size_t kTitleLimit = 2047;
inline constexpr std::size_t kNumberLimit = 32;
inline constexpr std::size_t kFreeTextLimit = 1024 * 1024;

// Gives `edit` the typing limit `limit` and the procedure below in front of
// it: Escape does nothing there, and a paste or a typed pair that the limit
// cuts never leaves half a surrogate pair behind (a cut paste beeps).
void LimitField(HWND edit, std::size_t limit);

// Sets up the detail fields of the main dialog once, when it is created:
// LimitField on each detail edit with its limit above.
void PrepareDetailFields(HWND dialog);

// The limit of an edit that now shows a text of `shown` units: `base`, or
// the text's own length when a file brought a longer one, so that showing
// and taking it back never cuts it (the user can shorten it, not lengthen it).
std::size_t FitFieldLimit(HWND edit, std::size_t base, std::size_t shown);
