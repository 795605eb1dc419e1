// ORKVPhaser: the Phaser engine behind the shared filter, server and page.
#include "plugins/plugin.h"
#include "effects/phaser/phaser.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() {
  return kFactoryTemplates<Plugin<Phaser, page_model::kPhaserPage>>;
}
}  // namespace orkv
