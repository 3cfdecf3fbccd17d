// Character count of a double-byte character string (a byte with its high bit
// set begins a two-byte character).
#pragma once

// Counts the characters in at most `limit` bytes of `bytes`. A zero byte ends
// the count (it is not counted); a byte with its high bit clear is one
// character; a byte with its high bit set and the byte after it are one
// character, whatever that second byte holds. Returns -1 for a null `bytes`,
// a negative `limit`, or a two-byte character cut off by the limit; 0 for a
// `limit` of 0. Never reads past `limit` bytes.
int MbStrLen(const char* bytes, int limit);
