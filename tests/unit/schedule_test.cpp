#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/schedule.h"
#include "shell/screen_schedule.h"
#include "tests/unit/fakes.h"

namespace panelia {
namespace {

using test::CallLog;
using test::FakeTimers;

LocalTime At(int y, int mo, int d, int h, int mi, int s = 0) {
  LocalTime t = CivilFromDays(DaysFromCivil(y, mo, d));
  t.hour = h;
  t.minute = mi;
  t.second = s;
  return t;
}

std::string Text(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

// Weekdays: 2026-12-07 is a Monday; 2026-12-25 a Friday.
const char* const kHours =
    "; the museum's hours\n"
    "[Screen]\n"
    "Mon-Fri = 07:30-22:00\n"
    "Sat,Sun = 09:00-18:00\n"
    "Fri = 07:30-12:00, 13:00-02:00\n"  // a later line replaces Friday
    "[Volume]\n"
    "Mon-Sun 08:00 = 60\n"
    "Mon-Sun 18:00 = 30\n"
    "[Home]\n"
    "Mon-Fri 07:00 = file:///k/morning.html\n"
    "Mon-Fri 11:30 = https://example.org/lunch?a=b\n"
    "[Closed]\n"
    "2026-12-25\n"
    "2026-12-19, 2027-01-01..2027-01-03\n";

TEST(ScheduleTest, StateThroughTheWeekMidnightAndHolidays) {
  const Schedule schedule = ParseSchedule(kHours);
  ASSERT_TRUE(schedule.problems.empty()) << DescribeSchedule(schedule);
  const std::string morning = "file:///k/morning.html", lunch = "https://example.org/lunch?a=b";
  const struct {
    LocalTime at;
    bool on;
    int volume;
    std::string home;
  } cases[] = {
      {At(2026, 12, 7, 7, 29, 59), false, 30, morning},  // Monday before opening; Sunday's volume, today's home
      {At(2026, 12, 7, 7, 30), true, 30, morning},
      {At(2026, 12, 7, 11, 30), true, 60, lunch},
      {At(2026, 12, 7, 21, 59, 59), true, 30, lunch},
      {At(2026, 12, 7, 22, 0), false, 30, lunch},
      {At(2026, 12, 11, 12, 30), false, 60, lunch},  // Friday's midday gap
      {At(2026, 12, 11, 23, 0), true, 30, lunch},
      {At(2026, 12, 12, 1, 59, 59), true, 30, lunch},  // Friday's evening runs past midnight
      {At(2026, 12, 12, 2, 0), false, 30, lunch},
      {At(2026, 12, 12, 9, 0), true, 60, lunch},  // Saturday: Friday's home page still
      {At(2026, 12, 19, 1, 0), true, 30, lunch},  // a closed Saturday: Friday's evening is Friday's
      {At(2026, 12, 19, 10, 0), false, 60, lunch},
      {At(2026, 12, 25, 10, 0), false, 60, morning},  // Christmas, a Friday: dark, the rest as any Friday
      {At(2026, 12, 26, 1, 0), false, 30, lunch},     // no Friday evening on a closed Friday
      {At(2027, 1, 3, 12, 0), false, 60, lunch},      // last day of a range
      {At(2027, 1, 4, 12, 0), true, 60, lunch},
  };
  for (const auto& c : cases) {
    const ScheduleState state = ScheduleAt(schedule, c.at);
    EXPECT_EQ(state.screen_on, c.on) << Text(c.at);
    EXPECT_EQ(state.volume, c.volume) << Text(c.at);
    EXPECT_EQ(state.home, c.home) << Text(c.at);
  }
  // Without a schedule of the screen it is always on; without changes nothing else is set.
  EXPECT_EQ(ScheduleAt(ParseSchedule("[Closed]\n"), At(2026, 12, 7, 3, 0)), ScheduleState{});
  // A day [Screen] does not name is on all day.
  EXPECT_TRUE(ScheduleAt(ParseSchedule("[Screen]\nMon = off\n"), At(2026, 12, 8, 3, 0)).screen_on);
  EXPECT_FALSE(ScheduleAt(ParseSchedule("[Screen]\nMon = off\n"), At(2026, 12, 7, 15, 0)).screen_on);
}

TEST(ScheduleTest, NextChange) {
  const Schedule schedule = ParseSchedule(kHours);
  const struct {
    LocalTime from;
    std::string at;
    bool on;
    int volume;
  } cases[] = {
      {At(2026, 12, 7, 12, 0), "2026-12-07 18:00:00", true, 30},
      {At(2026, 12, 11, 21, 0), "2026-12-12 02:00:00", false, 30},  // past midnight
      {At(2026, 12, 24, 22, 0), "2026-12-25 07:00:00", false, 30},  // the holiday's home page; it opens nothing
      {At(2026, 12, 25, 7, 0), "2026-12-25 08:00:00", false, 60},
  };
  for (const auto& c : cases) {
    auto next = NextScheduleChange(schedule, c.from);
    ASSERT_TRUE(next) << Text(c.from);
    EXPECT_EQ(Text(next->at), c.at) << Text(c.from);
    EXPECT_EQ(next->state.screen_on, c.on) << Text(c.from);
    EXPECT_EQ(next->state.volume, c.volume) << Text(c.from);
  }
  EXPECT_FALSE(NextScheduleChange(ParseSchedule("[Screen]\nMon-Sun = on\n"), At(2026, 12, 7, 12, 0)));
}

TEST(ScheduleTest, RefusedLinesKeepTheirNumbersAndTheRestCounts) {
  const Schedule schedule = ParseSchedule(
      "Mon = 08:00-09:00\n"  // 1: before any section
      "[Screen]\n"
      "Mon-Fry = 08:00-20:00\n"  // 3
      "Tue = 25:00-26:00\n"      // 4
      "Wed = 10:00-10:00\n"      // 5
      "Thu 08:00-20:00\n"        // 6: no "="
      "Sat = 09:00-17:00\r\n"    // 7: understood, CR LF
      "[Volume]\n"
      "Mon-Sun 08:00 = 101\n"  // 9
      "Mon-Sun = 40\n"         // 10: no time
      "[Home]\n"
      "Mon 07:00 = javascript:alert(1)\n"  // 12
      "Mon 07:00 = http://a b\n"           // 13
      "[Closed]\n"
      "2027-02-30\n"              // 15
      "2027-01-03..2027-01-01\n"  // 16
      "[Lights]\n"                // 17
      "Mon = on\n");              // 18
  std::vector<int> lines;
  for (const auto& p : schedule.problems) {
    lines.push_back(p.line);
    EXPECT_FALSE(p.reason.empty()) << p.line;
  }
  EXPECT_EQ(lines, (std::vector<int>{1, 3, 4, 5, 6, 9, 10, 12, 13, 15, 16, 17, 18}));
  EXPECT_TRUE(schedule.screen_ruled);
  EXPECT_EQ(schedule.screen[6], (std::vector<Schedule::Period>{{9 * 3600, 17 * 3600}}));
  EXPECT_FALSE(schedule.screen[1]) << "a refused line names no day";
  const std::string described = DescribeSchedule(schedule);
  EXPECT_NE(described.find("Sat: 09:00-17:00"), std::string::npos) << described;
  EXPECT_NE(described.find("Mon-Fry"), std::string::npos) << described;
  // Binary and missing files.
  EXPECT_FALSE(ReadScheduleFile("/nonexistent/Schedule.ini"));
  auto binary = ReadScheduleFile("/proc/self/exe");
  ASSERT_TRUE(binary);
  EXPECT_EQ(binary->problems.size(), 1u);
  EXPECT_TRUE(ScheduleAt(*binary, At(2026, 12, 7, 3, 0)).screen_on) << "an unreadable schedule darkens nothing";
}

// Europe's clock: back from 03:00 to 02:00 on 2026-10-25, forward from 02:00 to 03:00 on 2026-03-29.
int32_t EuropeanOffset(int64_t unix) {
  const int64_t spring = (DaysFromCivil(2026, 3, 29) * 86400) + 3600,
                autumn = DaysFromCivil(2026, 10, 25) * 86400 + 3600;
  return unix >= spring && unix < autumn ? 7200 : 3600;
}

TEST(ScheduleTest, DaylightSavingChanges) {
  const int64_t autumn = DaysFromCivil(2026, 10, 25) * 86400 + 3600, spring = DaysFromCivil(2026, 3, 29) * 86400 + 3600;
  const struct {
    int64_t unix;
    std::string local;
  } cases[] = {
      {autumn - 1800, "2026-10-25 02:30:00"},  // the first 02:30
      {autumn - 1, "2026-10-25 02:59:59"},
      {autumn, "2026-10-25 02:59:59"},  // the repeated hour: the clock stands still
      {autumn + 1800, "2026-10-25 02:59:59"},
      {autumn + 3600, "2026-10-25 03:00:00"},
      {spring - 1, "2026-03-29 01:59:59"},
      {spring, "2026-03-29 03:00:00"},  // the skipped hour
      {autumn + 86400, "2026-10-26 02:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(ScheduleLocalTime(c.unix, EuropeanOffset)), c.local) << c.unix;
  // A change at 02:30 happens once in the repeated hour and at 03:00 in the skipped one.
  const Schedule schedule = ParseSchedule("[Volume]\nSun 00:00 = 50\nSun 02:30 = 10\n");
  EXPECT_EQ(ScheduleAt(schedule, ScheduleLocalTime(autumn + 600, EuropeanOffset)).volume, 10);
  EXPECT_EQ(ScheduleAt(schedule, ScheduleLocalTime(spring - 1, EuropeanOffset)).volume, 50);
  EXPECT_EQ(ScheduleAt(schedule, ScheduleLocalTime(spring, EuropeanOffset)).volume, 10);
}

// The keeper on a fake clock: what it does to the kiosk, in order.
class FakeHours : public ScheduleActions, public ScheduleEnvironment {
 public:
  explicit FakeHours(CallLog& log) : log_(log) {}
  std::optional<std::string> file;
  int64_t file_version = 1;
  int64_t unix = 0;
  int64_t last_input = 0;
  void ShowScreen(bool on) override { log_.Add(on ? "light" : "dark"); }
  void SilenceMusic(bool silent) override { log_.Add(silent ? "silence" : "music"); }
  void SetMusicVolume(int percent) override { log_.Add("volume " + std::to_string(percent)); }
  bool SetHome(const std::optional<std::string>& address) override {
    log_.Add("home " + address.value_or("-"));
    return true;
  }
  void EndVisitorSession() override { log_.Add("end-session"); }
  void Log(const std::string&) override {}
  std::optional<FileStamp> Stamp() override {
    if (!file) return std::nullopt;
    FileStamp s;
    s.size = static_cast<uint64_t>(file_version);
    s.seen_ns = 1'000'000'000'000'000;
    return s;
  }
  std::optional<Schedule> Read() override {
    if (!file) return std::nullopt;
    return ParseSchedule(*file);
  }
  // UTC stands for local time here.
  LocalTime Now() override { return FromWallSeconds(unix); }
  int64_t UnixNow() override { return unix; }
  int64_t UnixOf(const LocalTime& t) override { return WallSeconds(t); }
  int64_t IdleSeconds() override { return unix - last_input; }

 private:
  CallLog& log_;
};

TEST(ScheduleTest, KeeperDarkensWakesAndYieldsToOperators) {
  CallLog log;
  FakeHours hours(log);
  FakeTimers timers(log);
  CScreenSchedule keeper(hours, hours, timers, 60);
  hours.file = "[Screen]\nMon-Sun = 08:00-22:00\n[Volume]\nMon-Sun 08:00 = 80\nMon-Sun 20:00 = 30\n";
  hours.unix = WallSeconds(At(2026, 12, 7, 19, 59, 30));
  auto step = [&](auto&& action) {
    log.Clear();
    action();
    return log.Calls();
  };
  using Calls = std::vector<std::string>;
  EXPECT_EQ(step([&] { keeper.Start(); }), (Calls{"volume 80", "set-timer 1 30000"}))
      << "the next look comes within 30 s at the latest";
  EXPECT_EQ(step([&] {
              hours.unix += 30;
              keeper.OnTimer(CScreenSchedule::kTimer);
            }),
            (Calls{"volume 30", "set-timer 1 30000"}));
  hours.unix = WallSeconds(At(2026, 12, 7, 21, 59, 50));
  EXPECT_EQ(step([&] { keeper.OnTimer(CScreenSchedule::kTimer); }), (Calls{"set-timer 1 10500"}))
      << "the look falls just after the change";
  hours.unix += 11;
  EXPECT_EQ(step([&] { keeper.OnTimer(CScreenSchedule::kTimer); }),
            (Calls{"end-session", "dark", "silence", "set-timer 1 30000"}));
  EXPECT_EQ(keeper.CurrentStatus().mode, "off");
  EXPECT_EQ(keeper.CurrentStatus().next, "screen on, volume 80");
  // A touch wakes the screen for a visitor; a minute without input darkens it again.
  hours.unix += 3600;
  EXPECT_EQ(step([&] { keeper.OnDarkTouch(); }), (Calls{"light", "music", "set-timer 1 30000"}));
  EXPECT_EQ(keeper.CurrentStatus().mode, "woken");
  hours.unix += 30;
  hours.last_input = hours.unix;
  EXPECT_EQ(step([&] { keeper.OnTimer(CScreenSchedule::kTimer); }), (Calls{"set-timer 1 30000"}));
  hours.unix += 61;
  EXPECT_EQ(step([&] { keeper.OnTimer(CScreenSchedule::kTimer); }),
            (Calls{"end-session", "dark", "silence", "set-timer 1 30000"}));
  // An operator's "on" holds until the schedule next changes, through the morning's opening...
  EXPECT_EQ(step([&] { keeper.OnScreenCommand(ScreenCommand::On); }), (Calls{"light", "music", "set-timer 1 30000"}));
  hours.unix = WallSeconds(At(2026, 12, 8, 8, 0, 1));
  EXPECT_EQ(step([&] { keeper.OnTimer(CScreenSchedule::kTimer); }), (Calls{"volume 80", "set-timer 1 30000"}));
  EXPECT_EQ(keeper.CurrentStatus().mode, "on");
  // ...and an operator's "off" is not woken by a touch (someone cleaning the screen).
  EXPECT_EQ(step([&] { keeper.OnScreenCommand(ScreenCommand::Off); }),
            (Calls{"end-session", "dark", "silence", "set-timer 1 30000"}));
  EXPECT_EQ(step([&] { keeper.OnDarkTouch(); }), Calls{});
  EXPECT_EQ(keeper.CurrentStatus().mode, "override");
  EXPECT_EQ(step([&] { keeper.OnScreenCommand(ScreenCommand::Auto); }), (Calls{"light", "music", "set-timer 1 30000"}));
  // The file changes: a holiday today darkens the screen, and the volume no longer set is full again;
  // the file gone, the screen is on again.
  hours.file = "[Screen]\nMon-Sun = 08:00-22:00\n[Closed]\n2026-12-08\n";
  ++hours.file_version;
  EXPECT_EQ(step([&] { keeper.OnTimer(CScreenSchedule::kTimer); }),
            (Calls{"end-session", "dark", "silence", "volume 100", "set-timer 1 30000"}));
  hours.file.reset();
  EXPECT_EQ(step([&] { keeper.OnTimer(CScreenSchedule::kTimer); }), (Calls{"light", "music", "set-timer 1 30000"}));
}

}  // namespace
}  // namespace panelia
