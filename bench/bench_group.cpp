// Group download benchmark: replaced by the real case in its own change.
#include "BenchUtil.h"

namespace aulira::bench {

void benchGroupDownload() { std::printf("group: not built yet\n"); }

} // namespace aulira::bench
