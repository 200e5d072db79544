#include "browse/offline_watch.h"

namespace panelia {

std::string_view ProblemName(NetworkProblem problem) {
  switch (problem) {
    case NetworkProblem::NoProblem: return "";
    case NetworkProblem::NameNotFound: return "name not found";
    case NetworkProblem::Refused: return "connection refused";
    case NetworkProblem::NoRoute: return "no route";
    case NetworkProblem::TimedOut: return "timed out";
    case NetworkProblem::Tls: return "certificate not trusted";
    case NetworkProblem::Proxy: return "proxy failed";
    case NetworkProblem::Other: return "network error";
  }
  return "";
}

const char* ProblemSentence(NetworkProblem problem) {
  switch (problem) {
    case NetworkProblem::NameNotFound: return "The site's name could not be found.";
    case NetworkProblem::Refused: return "The site did not accept the connection.";
    case NetworkProblem::NoRoute: return "There is no way to the site from here.";
    case NetworkProblem::TimedOut: return "The site did not answer in time.";
    case NetworkProblem::Tls: return "The site's certificate is not trusted by this kiosk.";
    case NetworkProblem::Proxy: return "The proxy could not be reached.";
    case NetworkProblem::NoProblem:
    case NetworkProblem::Other: break;
  }
  return "The connection failed.";
}

uint64_t OfflineWatch::OnFailure(const std::string& wanted, NetworkProblem why, uint64_t now_ms) {
  if (!offline_) {
    offline_ = true;
    since_ = now_ms;
    tries_ = 0;
    ++episodes_;
  }
  wanted_ = wanted;
  last_ = why;
  return kWaits.Wait(tries_++);
}

void OfflineWatch::OnPageShown(uint64_t now_ms) {
  if (!offline_) return;
  total_ms_ += now_ms - since_;
  offline_ = false;
}

}  // namespace panelia
