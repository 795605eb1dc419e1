// ORKVTremolo: the Tremolo engine behind the shared filter and server.
#include "plugins/plugin.h"
#include "effects/tremolo/tremolo.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() { return kFactoryTemplates<Plugin<Tremolo>>; }
}  // namespace orkv
