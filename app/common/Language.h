#pragma once
// The language of the desktop app's texts: its own translations (built from
// translations/*.ts and compiled in), Qt's for the standard buttons and
// dialogs, and the core's catalog for the string table.
#include "shell/Translate.h"

namespace aulira::app {

// The desktop's language (QLocale::system()'s interface languages); English
// when none of them is spoken here.
Language systemLanguage();

// Makes `language` the language of every text shown from now on. Widgets
// made before keep their texts. Returns false when its translations could
// not be loaded (the texts then stay English).
bool applyLanguage(Language language);

} // namespace aulira::app
