// ORKVPhaser: the Phaser engine behind the shared filter and server.
#include "plugins/plugin.h"
#include "effects/phaser/phaser.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() { return kFactoryTemplates<Plugin<Phaser>>; }
}  // namespace orkv
