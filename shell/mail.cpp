#include "shell/mail.h"

namespace panelia {

MailCommand SplitMailCommand(const std::string& command_line, const std::string& address) {
  MailCommand c;
  size_t quote = command_line.find('"');
  if (quote != std::string::npos) {
    size_t closing = command_line.find('"', quote + 1);
    if (closing == std::string::npos) {
      c.program = command_line.substr(quote + 1);
    } else {
      c.program = command_line.substr(quote + 1, closing - quote - 1);
      c.parameters = command_line.substr(closing + 1);
    }
  } else {
    size_t space = command_line.find(' ');
    c.program = command_line.substr(0, space);
    if (space != std::string::npos) c.parameters = command_line.substr(space + 1);
  }
  for (const char* placeholder : {"%1", "%u", "%U"}) {
    size_t at = c.parameters.find(placeholder);
    if (at != std::string::npos) {
      c.parameters = c.parameters.substr(0, at) + address + c.parameters.substr(at + 2);
      return c;
    }
  }
  if (!c.parameters.empty() && c.parameters.back() != ' ') c.parameters += ' ';
  c.parameters += address;
  return c;
}

}  // namespace panelia
