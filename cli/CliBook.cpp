// auctl book: replaced by the real command in its own change.
#include "CliSession.h"

namespace aulira::cli {

int cmdBook(const Globals&, std::vector<std::string>, std::ostream&, std::ostream& err)
{
    return usage(err, "book is not available yet");
}

} // namespace aulira::cli
