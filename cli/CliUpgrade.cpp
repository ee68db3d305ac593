// auctl upgrade: replaced by the real command in its own change.
#include "CliSession.h"

namespace aulira::cli {

int cmdUpgrade(const Globals&, std::vector<std::string>, std::ostream&, std::ostream& err)
{
    return usage(err, "upgrade is not available yet");
}

} // namespace aulira::cli
