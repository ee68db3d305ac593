// auctl group: replaced by the real command in its own change.
#include "CliSession.h"

namespace aulira::cli {

int cmdGroup(const Globals&, std::vector<std::string>, std::ostream&, std::ostream& err)
{
    return usage(err, "group is not available yet");
}

} // namespace aulira::cli
