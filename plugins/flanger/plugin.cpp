// ORKVFlanger: the Flanger engine behind the shared filter, server and page.
#include "plugins/plugin.h"
#include "effects/flanger/flanger.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() {
  return kFactoryTemplates<Plugin<Flanger, page_model::kFlangerPage>>;
}
}  // namespace orkv
