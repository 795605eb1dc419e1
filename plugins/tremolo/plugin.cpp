// ORKVTremolo: the Tremolo engine behind the shared filter, server and page.
#include "plugins/plugin.h"
#include "effects/tremolo/tremolo.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() {
  return kFactoryTemplates<Plugin<Tremolo, page_model::kTremoloPage>>;
}
}  // namespace orkv
