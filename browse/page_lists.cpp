#include "browse/page_lists.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "common/address.h"
#include "common/text.h"
#include "common/texts.h"

namespace panelia {
namespace {

constexpr std::string_view kLimitError = "File error: the list of restricted addresses cannot be read";
constexpr std::string_view kStopError = "File error: the list of pages without music cannot be read";
constexpr std::string_view kShowError = "File error: the list of pages with the button bar cannot be read";

// An entry, or the address a question is about, without its one final "/". The address loses it
// once per question (not once more for every entry, which would change it as the list is walked).
std::string_view WithoutFinalSlash(std::string_view text) {
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);
  return text;
}

uint32_t FirstWord(std::string_view text) {
  uint32_t word;
  std::memcpy(&word, text.data(), sizeof word);
  return word;
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

EntryIndex::EntryIndex(const PageList& list, bool lower) {
  std::vector<std::pair<uint32_t, uint32_t>> places;
  places.reserve(list.size());
  for (std::string_view entry : list) {
    entry = WithoutFinalSlash(entry);
    places.emplace_back(static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(entry.size()));
    text_.append(entry);
  }
  if (lower)
    for (char& c : text_)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  std::string_view text = text_;
  std::unordered_map<uint32_t, uint32_t> seen;  // how many entries hold each four bytes
  for (auto [offset, length] : places)
    for (uint32_t at = 0; at + sizeof(uint32_t) <= length; ++at) ++seen[FirstWord(text.substr(offset + at))];
  for (auto [offset, length] : places) {
    std::string_view entry = text.substr(offset, length);
    if (entry.size() < sizeof(uint32_t)) {
      short_.push_back(entry);
      continue;
    }
    uint32_t best = 0, best_count = UINT32_MAX;
    for (uint32_t at = 0; at + sizeof(uint32_t) <= length; ++at) {
      uint32_t count = seen[FirstWord(entry.substr(at))];
      if (count < best_count) best = at, best_count = count;
    }
    long_.push_back({FirstWord(entry.substr(best)), best, offset, length});
  }
  std::ranges::sort(long_, {}, &Filed::key);
}

bool EntryIndex::AnyIn(std::string_view address) const {
  for (std::string_view entry : short_)
    if (address.find(entry) != std::string_view::npos) return true;
  std::string_view text = text_;
  // An entry occurs in the address exactly when, at some place, the four bytes it is filed under are
  // there and the whole entry stands around them.
  for (size_t at = 0; at + sizeof(uint32_t) <= address.size(); ++at) {
    uint32_t word = FirstWord(address.substr(at));
    auto it = std::ranges::lower_bound(long_, word, {}, &Filed::key);
    for (; it != long_.end() && it->key == word; ++it) {
      if (it->at > at) continue;
      std::string_view entry = text.substr(it->offset, it->length);
      if (address.substr(at - it->at, entry.size()) == entry) return true;
    }
  }
  return false;
}

CPageLists::Kept& CPageLists::Current(std::string_view file_name, std::string_view error_text) {
  std::optional<FileStamp> stamp = source_.Stamp(file_name);
  if (stamp) {
    auto it = kept_.find(file_name);
    if (it != kept_.end()) {
      const std::optional<FileStamp>& kept = it->second.stamp;
      if (kept && kept->SameState(*stamp)) return it->second;
    }
  }
  // Changed, new, unsettled or of a source without stamps: read now.
  PageList list = LoadPageList(file_name, TrText(error_text));
  bool readable = reported_.find(file_name) == reported_.end();
  if (stamp && readable && stamp->Settled()) {
    Kept& kept = kept_[std::string(file_name)];
    kept = Kept{stamp, std::move(list), nullptr, nullptr, nullptr};
    return kept;
  }
  kept_.erase(std::string(file_name));
  unkept_ = Kept{std::nullopt, std::move(list), nullptr, nullptr, nullptr};
  return unkept_;
}

bool CPageLists::IsAddressBlocked(const std::string& lower_url, int32_t is_limit, int32_t forbit_method) {
  if (is_limit == 0) return false;
  Kept& limit = Current(kLimitList, kLimitError);
  // Entries are compared as written: one with capital letters never matches the lower-case address.
  if (!limit.contains) limit.contains = std::make_unique<EntryIndex>(limit.list, false);
  std::string address = ReadableAddress(lower_url);
  bool listed = limit.contains->AnyIn(WithoutFinalSlash(address));
  return forbit_method == 1 ? !listed : listed;
}

bool CPageLists::MatchesShowList(const std::string& lower_url) {
  Kept& show = Current(kShowList, kShowError);
  // Both sides lower-cased.
  if (!show.contains_lower) show.contains_lower = std::make_unique<EntryIndex>(show.list, true);
  std::string address = AsciiLower(ReadableAddress(lower_url));
  return show.contains_lower->AnyIn(WithoutFinalSlash(address));
}

bool CPageLists::MatchesStopList(const std::string& lower_url) {
  Kept& stop = Current(kStopList, kStopError);
  if (!stop.exact) {
    stop.exact = std::make_unique<std::unordered_set<std::string_view>>();
    for (std::string_view entry : stop.list) stop.exact->insert(WithoutFinalSlash(entry));
  }
  std::string address = ReadableAddress(lower_url);
  return stop.exact->count(WithoutFinalSlash(address)) != 0;
}

}  // namespace panelia
