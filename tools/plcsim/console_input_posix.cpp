#include <unistd.h>

#include "console_input.h"

namespace plcsim {

// poll() and read() take descriptor 0 as they take a socket; nothing to set up.
net::Socket OpenConsoleInput(std::string* /*error*/) {
  return STDIN_FILENO;
}

}  // namespace plcsim
