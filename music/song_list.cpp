#include "music/song_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace panelia {

namespace {

char LowerAsciiChar(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool IsSongFileName(std::string_view name) {
  size_t dot = name.rfind('.');
  std::string_view extension = dot == std::string_view::npos ? name : name.substr(dot + 1);
  if (extension.size() != 3) return false;
  return LowerAsciiChar(extension[0]) == 'm' && LowerAsciiChar(extension[1]) == 'p' && extension[2] == '3';
}

bool SongOrderLess(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(LowerAsciiChar(a[i]));
    auto cb = static_cast<unsigned char>(LowerAsciiChar(b[i]));
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

void SortSongs(std::vector<std::string>& paths) {
  std::ranges::sort(paths, [](const std::string& a, const std::string& b) { return SongOrderLess(a, b); });
}

std::vector<std::string> ScanSongFolder(const std::string& folder) {
  std::vector<std::string> songs;
  if (folder.empty()) return songs;
  std::error_code error;
  std::filesystem::path base = std::filesystem::absolute(folder, error);
  if (error) return songs;
  // "/srv/music/" and "/srv/music" list the same paths.
  std::string prefix = base.string();
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  if (prefix != "/") prefix += '/';
  std::filesystem::directory_iterator it(base, error), end;
  for (; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (!IsSongFileName(name)) continue;
    std::error_code type_error;
    if (it->is_directory(type_error)) continue;
    songs.push_back(prefix + name);
  }
  SortSongs(songs);
  return songs;
}

}  // namespace panelia
