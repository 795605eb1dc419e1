// ORKVPhaser: the Phaser engine behind the shared filter and server.
#include "core/plugin.h"
#include "effects/phaser/phaser.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() { return kFactoryTemplates<Plugin<Phaser, 0>>; }
}  // namespace orkv
