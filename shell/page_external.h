// The object pages see as window.external under the kiosk browser host: one readable property
// answering "Wibble"; everything else is unknown.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace panelia {

class CPageExternal {
 public:
  static constexpr int kWibbleId = 12345;
  static constexpr int kUnknownId = -1;

  // Names are matched on their first three characters against "xxyyzz".
  static int GetIdOfName(std::string_view name);
  // A property read of the known member gives "Wibble"; every other call succeeds with no result.
  static std::optional<std::string> Invoke(int id, bool property_get);
  // The script that gives pages this object, for the browser adapter to inject.
  static std::string PageScript();
};

}  // namespace panelia
