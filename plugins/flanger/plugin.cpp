// ORKVFlanger: the Flanger engine behind the shared filter and server.
#include "plugins/plugin.h"
#include "effects/flanger/flanger.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() { return kFactoryTemplates<Plugin<Flanger>>; }
}  // namespace orkv
