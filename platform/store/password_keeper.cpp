#include "platform/store/password_keeper.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "common/password.h"
#include "common/log.h"

namespace panelia {

std::optional<std::string> PasswordKeeperPath() {
  if (const char* named = std::getenv("PANELIA_PASSWORD_KEEPER"); named && *named) return std::string(named);
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::nullopt;
  const auto keeper = self.parent_path() / "panelia-password";
  if (access(keeper.c_str(), X_OK) != 0) return std::nullopt;
  return keeper.string();
}

KeeperAnswer AskPasswordKeeper(const std::string& command, const std::string& input, std::string* output) {
  const auto keeper = PasswordKeeperPath();
  if (!keeper) return KeeperAnswer::NotRun;
  int to_child[2], from_child[2];
  if (pipe2(to_child, O_CLOEXEC) != 0) return KeeperAnswer::NotRun;
  if (pipe2(from_child, O_CLOEXEC) != 0) {
    close(to_child[0]);
    close(to_child[1]);
    return KeeperAnswer::NotRun;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(to_child[0], STDIN_FILENO);
    dup2(from_child[1], STDOUT_FILENO);
    execl(keeper->c_str(), keeper->c_str(), command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(to_child[0]);
  close(from_child[1]);
  if (pid > 0) {
    // A short line: the pipe takes it whole, the keeper reads it before it answers.
    (void)!write(to_child[1], input.data(), input.size());
  }
  close(to_child[1]);
  std::string said;
  char buffer[256];
  for (ssize_t n; pid > 0 && (n = read(from_child[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    said.append(buffer, static_cast<size_t>(n));
  }
  close(from_child[0]);
  if (pid < 0) return KeeperAnswer::NotRun;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (output) *output = said;
  if (!WIFEXITED(status)) return KeeperAnswer::NotRun;
  switch (WEXITSTATUS(status)) {
    case 0: return KeeperAnswer::Right;
    case 1: return KeeperAnswer::Wrong;
    case 3: return KeeperAnswer::Wait;
    case 6: return KeeperAnswer::NotInstalled;
    case 2: return KeeperAnswer::Nothing;
    default: return KeeperAnswer::NotRun;
  }
}

PasswordChecker::Answer KeeperChecker::Check(const std::string& entered) {
  std::string said;
  switch (AskPasswordKeeper("check", entered + "\n", &said)) {
    case KeeperAnswer::Right: return {Verdict::Right, 0};
    case KeeperAnswer::Wrong: return {Verdict::Wrong, 0};
    case KeeperAnswer::Wait: return {Verdict::Wait, std::max(1, std::atoi(said.c_str()))};
    default: return {Verdict::Unreadable, 0};
  }
}

bool IsDemoPasswordInUse(const std::string& stored) {
  if (stored == kPasswordKeptApart) return AskPasswordKeeper("demo", "") == KeeperAnswer::Right;
  return IsDemoPassword(stored);
}

void LetKeeperAdoptPassword() {
  const KeeperAnswer answer = AskPasswordKeeper("adopt", "");
  if (answer == KeeperAnswer::Nothing || answer == KeeperAnswer::NotRun)
    if (PasswordKeeperPath()) Log("the exit password stays in the settings, unkept");
}

}  // namespace panelia
