// Upgrade benchmarks: replaced by the real cases in their own change.
#include "BenchUtil.h"

namespace aulira::bench {

void benchFirmwareUpgrade() { std::printf("firmware: not built yet\n"); }
void benchScreenUpgrade() { std::printf("screen: not built yet\n"); }

} // namespace aulira::bench
