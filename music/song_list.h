// The song list: the music files of one folder, found once at start, in the order the list shows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace panelia {

// A song is a file whose name ends in ".mp3" in any case, or a file named "mp3" (a name without a
// dot is its own extension).
bool IsSongFileName(std::string_view name);

// The list's order: without regard to case, byte order among names that differ only in case, so
// the order is total and the same on every run.
bool SongOrderLess(std::string_view a, std::string_view b);
void SortSongs(std::vector<std::string>& paths);

// Full paths ("folder/name") of the songs in `folder`, sorted. Directories are never songs; a
// missing or unreadable folder (a removed stick) gives what could be read, maybe nothing. Names
// are kept as bytes, whatever their encoding.
std::vector<std::string> ScanSongFolder(const std::string& folder);

}  // namespace panelia
