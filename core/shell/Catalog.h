#pragma once
// The finished Simplified Chinese translations, generated at build time from
// translations/auct_zh_CN.ts (scripts/ts2catalog.py).
#include <span>

namespace aulira {

struct CatalogEntry {
    const char* context;
    const char* source;
    const char* translation;
};

std::span<const CatalogEntry> zhCnCatalog();

} // namespace aulira
