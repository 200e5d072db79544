#include "browse/page_lists.h"

#include "common/address.h"
#include "common/text.h"

namespace panelia {
namespace {

constexpr std::string_view kLimitError = "文件打开错误，无法读取限制访问网站列表";
constexpr std::string_view kStopError = "文件打开错误，无法读取停止音乐播放页面列表";
constexpr std::string_view kShowError = "文件打开错误，无法读取显示导航条页面列表";

// The preparation before each comparison: the entry loses one final "/", and so does the address,
// which keeps that shortening for the entries after it.
template <typename Match>
bool AnyEntryMatches(const PageList& list, std::string address, Match match) {
  for (std::string entry : list) {
    if (!entry.empty() && entry.back() == '/') entry.pop_back();
    if (!address.empty() && address.back() == '/') address.pop_back();
    if (match(entry, address)) return true;
  }
  return false;
}

}  // namespace

PageList CPageLists::LoadPageList(std::string_view file_name, std::string_view error_text) {
  auto list = source_.Read(file_name);
  if (!list) {
    if (reported_.insert(std::string(file_name)).second) source_.ShowListError(std::string(error_text));
    return {};
  }
  if (auto it = reported_.find(file_name); it != reported_.end()) reported_.erase(it);
  return std::move(*list);
}

bool CPageLists::IsAddressBlocked(const std::string& lower_url, int32_t is_limit, int32_t forbit_method) {
  if (is_limit == 0) return false;
  PageList list = LoadPageList(kLimitList, kLimitError);
  // Entries are compared as written: one with capital letters never matches the lower-case address.
  bool listed = AnyEntryMatches(list, ReadableAddress(lower_url), [](const std::string& entry, const std::string& a) {
    return a.find(entry) != std::string::npos;
  });
  return forbit_method == 1 ? !listed : listed;
}

bool CPageLists::MatchesShowList(const std::string& lower_url) {
  PageList list = LoadPageList(kShowList, kShowError);
  return AnyEntryMatches(list, ReadableAddress(lower_url), [](const std::string& entry, const std::string& a) {
    return AsciiLower(a).find(AsciiLower(entry)) != std::string::npos;
  });
}

bool CPageLists::MatchesStopList(const std::string& lower_url) {
  PageList list = LoadPageList(kStopList, kStopError);
  return AnyEntryMatches(list, ReadableAddress(lower_url),
                         [](const std::string& entry, const std::string& a) { return entry == a; });
}

}  // namespace panelia
