// ORKVCDelay: the C-Delay engine behind the shared filter, server and page.
#include "plugins/plugin.h"
#include "effects/cdelay/cdelay.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() {
  return kFactoryTemplates<Plugin<CDelay, page_model::kCDelayPage>>;
}
}  // namespace orkv
