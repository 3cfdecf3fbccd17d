// Earlier versions of each document. Before a save replaces a file, the
// version it replaces is copied into the user's local application data
// (FOLDERID_LocalAppData\Velquorandimestra\backups), into a folder of its own
// per document, and the ten newest versions of each document stay there.
// Nothing here ever stops a save or says a word: a version that cannot be
// kept is simply not kept.
#pragma once

#include <cstddef>
#include <string>

#include "Digest.h"

inline constexpr std::size_t kKeptVersions = 10;

// Where every document's folder of versions lies; empty when Windows names
// no local application data folder.
std::wstring BackupsRoot();
void SetBackupsRoot(std::wstring path);  // tests; empty: the default

// The folder of versions of the document at the full path `document`: its
// file name and a short hash of the path as Windows compares paths (case
// ignored), so that two documents of one name never share a folder. Each
// folder names its document in a small record; a folder that names another
// document (the hash alone may collide) is passed over for the next number.
// With `create`, the folder is made when missing. Empty when there is none,
// or it cannot be made.
std::wstring BackupFolderOf(const std::wstring& document, bool create);

// Whether `path` lies among the kept versions: such a file is never saved
// over in place, so that a version is not lost by accident.
bool IsKeptVersion(const std::wstring& path);

// Where the chooser of 以前の版を開く starts for the document at `document`
// (empty: none): its folder of versions, its own folder when it is a version
// itself, else the folder of all of them.
std::wstring EarlierVersionsFolder(const std::wstring& document);

// The document that the kept version at `path` is a version of, as its
// folder names it; empty when unknown.
std::wstring DocumentOfKeptVersion(const std::wstring& path);

// A copy of the file that a save is about to replace, taken at construction
// (nothing when there is no such file, the file is itself a kept version,
// or the copy fails). It is removed again unless the save succeeded and
// Keep was called.
class EarlierVersion {
public:
    explicit EarlierVersion(const std::wstring& document);
    ~EarlierVersion();
    EarlierVersion(const EarlierVersion&) = delete;
    EarlierVersion& operator=(const EarlierVersion&) = delete;

    // The save is done and wrote `saved`. The copy stays, unless it holds
    // the very bytes now saved (a save of an unchanged document keeps no
    // second copy of the same version); then the oldest beyond the ten
    // newest go.
    void KeepAside(const ContentDigest& saved);

private:
    std::wstring folder_;
    std::wstring copy_;  // empty: no copy
    ContentDigest content_;  // of the copy
};
