// panelia-password: the keeper of the exit password's hash. Installed setgid to its own group
// (panelia-pw), it alone reads the hash, in a folder only root and that group reach; the kiosk
// account asks it "right or wrong" and never holds the hash, so no account of the machine can guess
// the password offline. It applies the back-off on wrong tries itself, across runs.
//   panelia-password check   the entry on standard input: 0 right, 1 wrong, 3 wait (seconds on
//                            standard output), 2 nothing to check against
//   panelia-password adopt   (root or the panelia group) moves the password stored in the settings
//                            into its keeping (hashing a plain one) and leaves a mark in its place
//   panelia-password demo    0 when the kept password is the demo's (8888)
//   panelia-password same    0 when the hash on standard input is the kept one
// Exit codes otherwise: 4 bad usage, 5 not allowed, 6 not installed (no folder to keep it in).
#include <grp.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "common/password.h"
#include "common/registry.h"
#include "common/settings.h"
#include "platform/store/sqlite_registry.h"
#include "shell/exit_dialog.h"

// A setgid program cannot be looked at by the sanitizers' leak check (it needs ptrace, which such a
// process refuses): in a sanitized build it would end every run with an error, whatever the answer.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() {
  return "detect_leaks=0";
}

namespace {

constexpr int kRight = 0, kWrong = 1, kNothing = 2, kWait = 3, kUsage = 4, kNotAllowed = 5, kNotInstalled = 6;

// Where the hash lives. A test may name another folder, but never through a setgid run.
std::filesystem::path Folder() {
  const char* dir = getauxval(AT_SECURE) ? nullptr : std::getenv("PANELIA_PASSWORD_DIR");
  return dir && *dir ? std::filesystem::path(dir) : std::filesystem::path("/var/lib/panelia/exit");
}

// Milliseconds on the machine's clock since boot: the same for every run, and a clock set back by
// hand shortens no wait.
uint64_t NowMs() {
  timespec t{};
  clock_gettime(CLOCK_BOOTTIME, &t);
  return static_cast<uint64_t>(t.tv_sec) * 1000 + static_cast<uint64_t>(t.tv_nsec) / 1000000;
}

std::string ReadLine(std::istream& in, size_t most) {
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line.size() > most ? std::string() : line;
}

// Written whole or not at all, readable by the group only.
bool WriteFile(const std::filesystem::path& path, const std::string& text) {
  const std::filesystem::path temp = path.string() + ".new";
  const mode_t old_mask = umask(0027);
  std::ofstream out(temp, std::ios::trunc);
  out << text;
  out.close();
  umask(old_mask);
  if (!out) return false;
  std::error_code error;
  std::filesystem::rename(temp, path, error);
  return !error;
}

panelia::PasswordBackoff::State LoadTries(const std::filesystem::path& path) {
  panelia::PasswordBackoff::State state;
  std::ifstream in(path);
  in >> state.wrong >> state.last_wrong_ms >> state.next_try_ms;
  // Written by a boot before this one, the times mean nothing now.
  if (!in || state.next_try_ms > NowMs() + panelia::PasswordBackoff::kLongestWaitMs) return {};
  return state;
}

void SaveTries(const std::filesystem::path& path, const panelia::PasswordBackoff::State& state) {
  WriteFile(path, std::to_string(state.wrong) + " " + std::to_string(state.last_wrong_ms) + " " +
                      std::to_string(state.next_try_ms) + "\n");
}

std::string KeptHash() {
  std::ifstream in(Folder() / "password");
  return in ? ReadLine(in, 512) : std::string();
}

int Check() {
  const std::string hash = KeptHash();
  if (!panelia::IsPasswordHash(hash)) return kNothing;
  const std::string entered = ReadLine(std::cin, 255);
  panelia::PasswordBackoff backoff(NowMs, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
  const std::filesystem::path tries = Folder() / "tries";
  backoff.Restore(LoadTries(tries));
  if (int wait = backoff.WaitSeconds(); wait > 0) {
    std::printf("%d\n", wait);
    return kWait;
  }
  if (panelia::PasswordMatches(hash, entered)) {
    backoff.OnRight();
    SaveTries(tries, backoff.Saved());
    return kRight;
  }
  backoff.OnWrong();
  SaveTries(tries, backoff.Saved());
  if (int wait = backoff.WaitSeconds(); wait > 0) {
    std::printf("%d\n", wait);
    return kWait;
  }
  return kWrong;
}

// Root, or an operator (the panelia group, who may change the settings anyway).
bool MayAdopt() {
  if (getuid() == 0) return true;
  const group* operators = getgrnam("panelia");
  if (!operators) return false;
  std::vector<gid_t> groups(static_cast<size_t>(std::max(getgroups(0, nullptr), 0)));
  const int count = getgroups(static_cast<int>(groups.size()), groups.data());
  for (int i = 0; i < count; ++i)
    if (groups[static_cast<size_t>(i)] == operators->gr_gid) return true;
  return getgid() == operators->gr_gid;
}

int Adopt() {
  // Its folder is made by the package: a build tree's keeper keeps nothing.
  std::error_code missing;
  if (!std::filesystem::is_directory(Folder(), missing)) return kNotInstalled;
  if (!MayAdopt()) {
    std::fprintf(stderr, "panelia-password: only root and the panelia group may change the exit password\n");
    return kNotAllowed;
  }
  panelia::SqliteRegistry store(panelia::RegistryFilesFromEnvironment());
  panelia::CRegistryKey key(store);
  key.SetSubKey(panelia::SectionPath(panelia::Section::General));
  std::string stored;
  const panelia::TextRead read = key.ReadTextChecked(panelia::setting::Password.name, stored);
  if (read == panelia::TextRead::Absent) return kRight;  // nothing to keep
  if (read != panelia::TextRead::Ok) {
    std::fprintf(stderr, "panelia-password: the stored exit password cannot be read; nothing changed\n");
    return kNothing;
  }
  if (stored == panelia::kPasswordKeptApart) return kRight;  // kept already
  std::optional<std::string> hash = std::optional(stored);
  if (!panelia::IsPasswordHash(stored)) hash = panelia::HashPassword(stored);
  if (!hash || !WriteFile(Folder() / "password", *hash + "\n")) {
    std::fprintf(stderr, "panelia-password: the exit password could not be kept in %s\n", Folder().c_str());
    return kNothing;
  }
  std::error_code error;
  std::filesystem::remove(Folder() / "tries", error);  // a new password: no count of wrong tries
  if (!store.Apply({{panelia::RegChange::Kind::SetValue, panelia::Hive::LocalMachine,
                     panelia::SectionPath(panelia::Section::General), std::string(panelia::setting::Password.name),
                     panelia::RegValue::Text(std::string(panelia::kPasswordKeptApart))}})) {
    std::fprintf(stderr, "panelia-password: the settings could not be changed; the password stays there too\n");
    return kNothing;
  }
  if (!store.ScrubOldValues())
    std::fprintf(stderr, "panelia-password: the settings' file may hold the old password until it changes again\n");
  return kRight;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc == 2 ? argv[1] : "";
  if (command == "check") return Check();
  if (command == "adopt") return Adopt();
  if (command == "demo") return panelia::IsDemoPassword(KeptHash()) ? kRight : kWrong;
  if (command == "same") {
    // Whether the hash on standard input is the kept one (the fleet's role declares the hash).
    const std::string hash = KeptHash(), given = ReadLine(std::cin, 512);
    return !hash.empty() && hash == given ? kRight : kWrong;
  }
  std::fprintf(stderr, "usage: panelia-password check | adopt | demo | same\n");
  return kUsage;
}
