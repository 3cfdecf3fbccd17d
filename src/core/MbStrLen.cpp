#include "MbStrLen.h"

int MbStrLen(const char* bytes, int limit) {
    if (bytes == nullptr || limit < 0) return -1;
    int count = 0;
    int at = 0;
    while (at < limit) {
        const unsigned char byte = static_cast<unsigned char>(bytes[at]);
        if (byte == 0) break;
        if (byte & 0x80) {
            // A lead byte as the last byte in reach would need a byte we may
            // not read: the string is cut inside a character.
            if (at == limit - 1) return -1;
            at += 2;
        } else {
            at += 1;
        }
        ++count;
    }
    return count;
}
