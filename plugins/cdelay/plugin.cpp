// ORKVCDelay: the C-Delay engine behind the shared filter and server.
#include "plugins/plugin.h"
#include "effects/cdelay/cdelay.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() { return kFactoryTemplates<Plugin<CDelay>>; }
}  // namespace orkv
