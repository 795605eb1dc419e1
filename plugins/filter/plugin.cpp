// ORKVFilter: the Filter engine behind the shared filter, server and page.
#include "plugins/plugin.h"
#include "effects/filter/filter.h"

namespace orkv {
host::FactoryTemplates PluginTemplates() {
  return kFactoryTemplates<Plugin<Filter, page_model::kFilterPage>>;
}
}  // namespace orkv
