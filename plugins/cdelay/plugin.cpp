// ORKVCDelay: the C-Delay engine behind the shared filter and server.
#include "core/plugin.h"
#include "effects/cdelay/cdelay.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() { return kFactoryTemplates<Plugin<CDelay, 4>>; }
}  // namespace orkv
