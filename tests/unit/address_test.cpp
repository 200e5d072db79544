#include <gtest/gtest.h>

#include "common/address.h"

namespace panelia {
namespace {

TEST(AddressTest, OperatorAddressesBecomeWhatTheEngineLoads) {
  struct Case {
    const char* typed;
    const char* loaded;
  } cases[] = {
      {"localhost", "http://localhost"},
      {"localhost:8080/kiosk", "http://localhost:8080/kiosk"},
      {"localhost:8080", "http://localhost:8080"},
      {"192.168.1.5:3000", "http://192.168.1.5:3000"},
      {"192.168.1.5:3000/a?b=1", "http://192.168.1.5:3000/a?b=1"},
      {"example.org", "http://example.org"},
      {"www.例子.中国", "http://www.例子.中国"},
      {"/srv/kiosk/a b.html", "file:///srv/kiosk/a%20b.html"},
      {"/srv/展览/index.html", "file:///srv/展览/index.html"},
      {"/srv/kiosk/100%.html", "file:///srv/kiosk/100%25.html"},
      {"C:\\kiosk\\index.htm", "file:///kiosk/index.htm"},
      {"c:/kiosk/index.htm", "file:///kiosk/index.htm"},
      {"file:///srv/kiosk/index.html", "file:///srv/kiosk/index.html"},
      {"http://example.org:8080/x", "http://example.org:8080/x"},
      {"about:blank", "about:blank"},
      {"javascript:void(0)", "javascript:void(0)"},
      {"mailto:a@example.org", "mailto:a@example.org"},
      {"", "about:blank"},
      {"   ", "about:blank"},
      {"  example.org  ", "http://example.org"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeAddress(c.typed), c.loaded) << c.typed;
}

TEST(AddressTest, ReadableFormDecodesOnlyEscapedUtf8Characters) {
  struct Case {
    const char* reported;
    const char* readable;
  } cases[] = {
      {"file:///srv/%E5%B1%95%E8%A7%88/", "file:///srv/展览/"},
      {"file:///srv/%e5%b1%95/", "file:///srv/展/"},
      {"http://x/a%20b%2Fc", "http://x/a%20b%2Fc"},  // ASCII escapes keep their meaning
      {"http://x/%E5%B1", "http://x/%E5%B1"},        // cut-off sequence stays escaped
      {"http://x/%E5%41%95", "http://x/%E5%41%95"},  // not a continuation byte
      {"http://x/%C0%AF", "http://x/%C0%AF"},        // overlong encodings are no characters
      {"http://x/%FF", "http://x/%FF"},
      {"http://x/%", "http://x/%"},
      {"http://x/%G1", "http://x/%G1"},
      {"http://x/%F0%9F%98%80", "http://x/😀"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadableAddress(c.reported), c.readable) << c.reported;
}

// Logs and the status carry a page's address cut short, never in the middle of a character.
TEST(AddressTest, ShortAddressCutsAtACharacter) {
  struct Case {
    std::string address;
    size_t most;
    std::string shown;
  } cases[] = {
      {"http://x/abc", 12, "http://x/abc"},
      {"http://x/abcd", 12, "http://x/abc…"},
      {"http://x/展览", 12, "http://x/展…"},
      {"http://x/展览", 11, "http://x/…"},  // not half a character
      {std::string(3000000, 'a'), kLoggedAddressBytes, std::string(kLoggedAddressBytes, 'a') + "…"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShortAddress(c.address, c.most), c.shown) << c.most;
}

}  // namespace
}  // namespace panelia
