// The settings program's editor of the kiosk's text files: which folder each lives in, what the
// operator is told about its encoding, and saving (atomically, in UTF-8; a GB18030 file from an
// older kiosk is left exactly as it is unless its text was changed).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace panelia {

inline constexpr std::array<std::string_view, 6> kEditedFiles = {"limit.dat", "Show.dat",    "stop.dat",
                                                                 "Loop.dat",  "OpenURL.ini", "Schedule.ini"};

// The lists and the schedule live in the kiosk directory, "OpenURL.ini" beside the programs.
std::string EditedFilePath(std::string_view file, const std::string& kiosk_directory,
                           const std::string& module_directory);

class ListFileEditor {
 public:
  struct Loaded {
    std::string text;  // what the editor shows
    std::string note;  // what the operator is told about the file
  };
  Loaded Load(const std::string& path);

  struct Saved {
    bool ok = false;
    std::string note;   // on success, or when nothing needed writing
    std::string error;  // why it could not be written (the file stays as it was)
  };
  Saved Save(const std::string& path, const std::string& text);

 private:
  std::string loaded_;
  bool was_gb18030_ = false;
};

// Written beside the old file and renamed over it: a reader sees the old text or the new one.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error);

}  // namespace panelia
