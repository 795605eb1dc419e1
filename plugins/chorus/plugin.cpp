// ORKVChorus: the Chorus engine behind the shared filter and server.
#include "plugins/plugin.h"
#include "effects/chorus/chorus.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() { return kFactoryTemplates<Plugin<Chorus>>; }
}  // namespace orkv
