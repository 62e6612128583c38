#include "runtime.h"

#include <csignal>

namespace platform {

void startRuntime()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace platform
