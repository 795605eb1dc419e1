// ORKVFlanger: the Flanger engine behind the shared filter and server.
#include "core/plugin.h"
#include "effects/flanger/flanger.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() { return kFactoryTemplates<Plugin<Flanger, 2>>; }
}  // namespace orkv
