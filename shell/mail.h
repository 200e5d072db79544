// Starting the desktop's mail program for a "mailto:" address.
#pragma once

#include <string>

namespace panelia {

struct MailCommand {
  std::string program;
  std::string parameters;
};

// Splits a handler's command line into program and parameters (a quoted program runs to its closing
// quote, an unquoted one to the first space) and puts the address where the line says: "%1", or the
// desktop's "%u"/"%U". A line with no placeholder gets the address appended.
MailCommand SplitMailCommand(const std::string& command_line, const std::string& address);

}  // namespace panelia
