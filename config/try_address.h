// "Try an address": what Panelia would do with a page address under the saved settings and the
// kiosk directory's lists, answered by the very questions the browser view asks.
#pragma once

#include <string>

#include "browse/page_lists.h"
#include "common/registry.h"

namespace panelia {

struct AddressVerdict {
  std::string address;  // as the engine would report it
  bool blocked = false;
  bool bar_shown = false;
  bool music = false;
};

AddressVerdict TryAddress(const std::string& typed, CPageLists& lists, RegistryStore& store);

// The lists of a kiosk directory named by path (the settings program need not run inside it).
class DirectoryLists : public PageListSource {
 public:
  explicit DirectoryLists(std::string directory) : directory_(std::move(directory)) {}
  std::optional<PageList> Read(std::string_view file_name) override;
  std::optional<FileStamp> Stamp(std::string_view file_name) override { return StampOfFile(PathOf(file_name)); }
  void ShowListError(const std::string&) override {}

 private:
  std::string PathOf(std::string_view file_name) const {
    return directory_.empty() ? std::string(file_name) : directory_ + "/" + std::string(file_name);
  }
  std::string directory_;
};

}  // namespace panelia
