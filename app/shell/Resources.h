#pragma once
// The icons are compiled into the app library; a static library's resources
// must be registered by hand before the first icon is loaded.
namespace aulira::app {
void initResources();
}
