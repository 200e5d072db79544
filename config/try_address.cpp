#include "config/try_address.h"

#include "common/address.h"
#include "common/settings.h"
#include "common/text.h"

namespace panelia {

AddressVerdict TryAddress(const std::string& typed, CPageLists& lists, RegistryStore& store) {
  SettingsReader settings(store);
  AddressVerdict verdict;
  verdict.address = NormalizeAddress(std::string(TrimSpaces(typed)));
  const std::string lower = AsciiLower(verdict.address);
  verdict.blocked = lists.IsAddressBlocked(lower, settings.Int(setting::IsLimit), settings.Int(setting::ForbitMethod));
  verdict.bar_shown = settings.Flag(setting::IsNavigator) || lists.MatchesShowList(lower);
  verdict.music = settings.Flag(setting::IsMusic) && !lists.MatchesStopList(lower);
  return verdict;
}

std::optional<PageList> DirectoryLists::Read(std::string_view file_name) {
  return ReadPageListFile(PathOf(file_name));
}

}  // namespace panelia
