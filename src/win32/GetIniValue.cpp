#include "cfileio.h"

int GetIniValue(const wchar_t* path, const char* /*key*/, char* /*value*/) {
    CFileInOut file;
    file.Open(path);
    file.Close();
    return 0;
}
