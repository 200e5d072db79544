// A page that could not load for a network reason, and the way back to it: the kiosk shows its
// offline page, tries again after a growing wait (or at once when the system says the network came
// back), and returns to the page it wanted once the network answers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/doubling.h"

namespace panelia {

// Why the network failed a load. HTTP errors are not among them: they are the site's answer, and
// the site's page shows them.
enum class NetworkProblem { NoProblem, NameNotFound, Refused, NoRoute, TimedOut, Tls, Proxy, Other };
// A word for the status and the logs ("" for NoProblem).
std::string_view ProblemName(NetworkProblem problem);
// A sentence for the visitor, in English (the key of its translation).
const char* ProblemSentence(NetworkProblem problem);

class OfflineWatch {
 public:
  static constexpr Doubling kWaits{5000, 5 * 60 * 1000};

  // A load of `wanted` failed for `why` at `now_ms` (a steady clock): the wait before the next try.
  // A failure of another page (the visitor went on) makes that page the wanted one; the wait keeps
  // growing while the network stays away.
  uint64_t OnFailure(const std::string& wanted, NetworkProblem why, uint64_t now_ms);
  // A page was shown (not the offline page): the network is back, and the time offline is counted.
  void OnPageShown(uint64_t now_ms);

  bool Offline() const { return offline_; }
  const std::string& Wanted() const { return wanted_; }
  NetworkProblem LastProblem() const { return last_; }
  // Every millisecond offline since the kiosk started, the present time offline included.
  uint64_t OfflineMs(uint64_t now_ms) const { return total_ms_ + (offline_ ? now_ms - since_ : 0); }
  int Episodes() const { return episodes_; }

 private:
  bool offline_ = false;
  std::string wanted_;
  NetworkProblem last_ = NetworkProblem::NoProblem;
  uint64_t since_ = 0, total_ms_ = 0;
  int tries_ = 0, episodes_ = 0;
};

}  // namespace panelia
