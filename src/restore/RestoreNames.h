#pragma once

#include <string>

// The name a folder file gets in the destination: its first three characters
// replaced by "BAK". A name whose last "." stands at index 0, 1 or 2 keeps that
// "." and what follows, so "AB.PMM" becomes "BAK.PMM".
std::string MakeRestoredName(const std::string& fileName);

// The new folder ID: every occurrence of the file name's first three characters
// replaced by "BAK", twice over, then the first two characters made "BA". As long
// as folderId, or "BA" when folderId is shorter than two characters.
std::string MakeNewFolderId(const std::string& folderId, const std::string& fileName);

// The index file that belongs to a folder message file: the path with its last
// character replaced by "I".
std::string IndexPathOf(const std::string& path);
