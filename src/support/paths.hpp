#pragma once
// Comparing the paths of files that the user names.

#include <string>

namespace kx {

// True when the two paths name the same file: compared as written, or after resolving "." and
// "..", the current folder and symbolic links, or as one file on disk (hard links). A name
// without a folder (a project that was never saved has its name as full name) is the same only
// as itself.
bool SameFile(const std::string& a, const std::string& b);

// True when the two paths of files on disk name the same file (a bare name is one in the current
// folder): after resolving ".", "..", the current folder and symbolic links, or as one file on
// disk (hard links).
bool SamePath(const std::string& a, const std::string& b);

// What to say of a file or folder the user named that cannot be found at `path`: "ist nicht
// vorhanden", or, when a folder on the way may not be searched, "kann nicht gelesen werden (der
// Ordner "..." darf nicht gelesen werden)". A sentence starts with the file's name before it.
std::string NotFoundText(const std::string& path);

// The permission bits for a new file that replaces `replaced`: the read, write and execute bits
// of `replaced` when it exists and is this user's, else those of any new file (0666 less the
// process's umask).
unsigned ReplacementMode(const std::string& replaced);

}  // namespace kx
