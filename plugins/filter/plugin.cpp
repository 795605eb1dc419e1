// ORKVFilter: the Filter engine behind the shared filter and server.
#include "plugins/plugin.h"
#include "effects/filter/filter.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() { return kFactoryTemplates<Plugin<Filter>>; }
}  // namespace orkv
