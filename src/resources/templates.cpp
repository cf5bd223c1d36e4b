#include "resources/templates.h"

namespace vt::resources {

const platform::TemplateList& BuiltInTemplates() {
  static const platform::TemplateList list = [] {
    platform::TemplateList l;
    l.dialogs = {MainWindowTemplate(), AboutBoxTemplate(), ProfilePageTemplate(),
                 DebugPageTemplate(), ProgressWindowTemplate()};
    l.menus = {MainMenuTemplate()};
    l.bitmaps = LedBitmaps();
    return l;
  }();
  return list;
}

}  // namespace vt::resources
