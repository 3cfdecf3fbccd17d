// Files that vqf writes first and puts in place when they are complete.
#pragma once

#include <filesystem>
#include <optional>

// Creates an empty file named `base` followed by ".<8 hex digits><suffix>",
// a name no file had, and gives its path. The file is created exclusively
// (O_EXCL, CREATE_NEW) and another name is tried while the one drawn is
// taken, so that no file already there (a user's, or another run's staging
// file) is ever truncated or removed. None when the folder refuses a new
// file.
std::optional<std::filesystem::path> CreateStagingFile(const std::filesystem::path& base, const char* suffix);
