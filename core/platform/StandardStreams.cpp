#include "core/platform/StandardStreams.h"

#include <unistd.h>

namespace core {

bool isTerminal(FILE *stream) { return stream && ::isatty(::fileno(stream)) == 1; }

} // namespace core
