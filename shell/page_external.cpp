#include "shell/page_external.h"

namespace panelia {

namespace {
constexpr std::string_view kKnownName = "xxyyzz";
constexpr size_t kCompared = 3;
}  // namespace

int CPageExternal::GetIdOfName(std::string_view name) {
  if (name.size() >= kCompared && name.substr(0, kCompared) == kKnownName.substr(0, kCompared)) return kWibbleId;
  return kUnknownId;
}

std::optional<std::string> CPageExternal::Invoke(int id, bool property_get) {
  if (id == kWibbleId && property_get) return std::string("Wibble");
  return std::nullopt;
}

std::string CPageExternal::PageScript() {
  // The page cannot call into the host synchronously, so the object's one rule travels as script.
  return "(function(){try{Object.defineProperty(window,'external',{configurable:true,value:new Proxy({},{"
         "get:function(t,n){return (typeof n==='string'&&n.substr(0," +
         std::to_string(kCompared) + ")==='" + std::string(kKnownName.substr(0, kCompared)) +
         "')?'Wibble':undefined;}})});}catch(e){}})();";
}

}  // namespace panelia
