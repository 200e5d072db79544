#include "browse/page_lists.h"

#include <bitset>
#include <cstring>

#include "common/address.h"
#include "common/text.h"

namespace panelia {
namespace {

constexpr std::string_view kLimitError = "文件打开错误，无法读取限制访问网站列表";
constexpr std::string_view kStopError = "文件打开错误，无法读取停止音乐播放页面列表";
constexpr std::string_view kShowError = "文件打开错误，无法读取显示导航条页面列表";

// An entry, or the address a question is about, without its one final "/". The address loses it
// once per question (not once more for every entry, which would change it as the list is walked).
std::string_view WithoutFinalSlash(std::string_view text) {
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);
  return text;
}

template <typename Match>
bool AnyEntryMatches(const PageList& list, Match match) {
  for (std::string_view entry : list)
    if (match(WithoutFinalSlash(entry))) return true;
  return false;
}

// Whether entries occur in one address. Lists run to thousands of entries and the question comes at
// every navigation, so most entries are turned away without a search: a four-byte piece of an
// entry that is nowhere in the address means the entry is not in it either.
class SubstringTest {
 public:
  explicit SubstringTest(std::string_view address) : address_(address) {
    for (size_t i = 0; i + kPiece <= address.size(); ++i) pieces_.set(Slot(address.substr(i, kPiece)));
  }
  bool Contains(std::string_view entry) const {
    if (entry.size() > address_.size()) return false;
    if (entry.size() >= kPiece) {
      if (!pieces_.test(Slot(entry.substr(0, kPiece)))) return false;
      if (!pieces_.test(Slot(entry.substr(entry.size() - kPiece)))) return false;
      if (!pieces_.test(Slot(entry.substr((entry.size() - kPiece) / 2, kPiece)))) return false;
    }
    return address_.find(entry) != std::string_view::npos;
  }

 private:
  static constexpr size_t kPiece = 4;
  static constexpr int kBits = 14;
  static size_t Slot(std::string_view piece) {
    uint32_t word;
    std::memcpy(&word, piece.data(), kPiece);
    return (word * 0x9E3779B1u) >> (32 - kBits);
  }
  std::string_view address_;
  std::bitset<size_t{1} << kBits> pieces_;
};

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
  std::string address = ReadableAddress(lower_url);
  SubstringTest test(WithoutFinalSlash(address));
  bool listed = AnyEntryMatches(list, [&](std::string_view entry) { return test.Contains(entry); });
  return forbit_method == 1 ? !listed : listed;
}

bool CPageLists::MatchesShowList(const std::string& lower_url) {
  PageList list = LoadPageList(kShowList, kShowError);
  // Both sides lower-cased.
  list.LowerAscii();
  std::string address = AsciiLower(ReadableAddress(lower_url));
  SubstringTest test(WithoutFinalSlash(address));
  return AnyEntryMatches(list, [&](std::string_view entry) { return test.Contains(entry); });
}

bool CPageLists::MatchesStopList(const std::string& lower_url) {
  PageList list = LoadPageList(kStopList, kStopError);
  std::string address = ReadableAddress(lower_url);
  std::string_view page = WithoutFinalSlash(address);
  return AnyEntryMatches(list, [&](std::string_view entry) { return entry == page; });
}

}  // namespace panelia
