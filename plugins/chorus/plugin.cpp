// ORKVChorus: the Chorus engine behind the shared filter, server and page.
#include "plugins/plugin.h"
#include "effects/chorus/chorus.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() {
  return kFactoryTemplates<Plugin<Chorus, page_model::kChorusPage>>;
}
}  // namespace orkv
