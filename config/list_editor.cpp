#include "config/list_editor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/text.h"
#include "common/texts.h"

namespace panelia {

std::string EditedFilePath(std::string_view file, const std::string& kiosk_directory,
                           const std::string& module_directory) {
  const std::string& dir = file == "OpenURL.ini" ? module_directory : kiosk_directory;
  return dir.empty() ? std::string(file) : (dir.back() == '/' ? dir : dir + "/") + std::string(file);
}

ListFileEditor::Loaded ListFileEditor::Load(const std::string& path) {
  Loaded loaded;
  was_gb18030_ = false;
  if (auto bytes = ReadFileBytes(path)) {
    SourceEncoding encoding = SourceEncoding::Utf8;
    if (auto decoded = DecodeTextFile(*bytes, &encoding)) {
      loaded.text = *decoded;
      was_gb18030_ = encoding == SourceEncoding::Gb18030;
      if (was_gb18030_)
        loaded.note = Tr("This file is not UTF-8 and was opened as GB18030; it will be saved as UTF-8.");
      if (encoding == SourceEncoding::Utf16LeBom)
        loaded.note = Tr("This file is UTF-16, which Panelia cannot read; it will be saved as UTF-8.");
    } else {
      loaded.note = Tr("This file is not a text file and cannot be edited.");
    }
  } else {
    loaded.note = Tr("The file ") + path + Tr(" does not exist yet; saving makes it.");
  }
  loaded_ = loaded.text;
  return loaded;
}

ListFileEditor::Saved ListFileEditor::Save(const std::string& path, const std::string& text) {
  if (was_gb18030_ && text == loaded_) return {true, Tr("Nothing changed; the file stays as it is (GB18030)."), ""};
  std::string error;
  if (!WriteFileAtomically(path, text, error))
    return {false, "", Tr("Cannot save ") + path + Tr(": ") + error + Tr(". The file stays as it was.")};
  loaded_ = text;
  was_gb18030_ = false;
  return {true, Tr("Saved ") + path, ""};
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error) {
  std::string temporary = path + ".new";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
  if (!ok) error = std::strerror(errno);
  close(fd);
  if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  if (!ok) unlink(temporary.c_str());
  return ok;
}

}  // namespace panelia
