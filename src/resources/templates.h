#pragma once

#include "platform/ui/dialog_template.h"
#include "resources/resource_ids.h"

namespace vt::resources {

// Every window template, the main menu and the LED pictures the panel is
// built from. Built once on first use; read-only afterwards.
const platform::TemplateList& BuiltInTemplates();

// The parts, for tests and tools that want one of them.
platform::DialogTemplate MainWindowTemplate();
platform::DialogTemplate ProfilePageTemplate();
platform::DialogTemplate DebugPageTemplate();
platform::DialogTemplate AboutBoxTemplate();
platform::DialogTemplate ProgressWindowTemplate();
platform::MenuTemplate MainMenuTemplate();
std::vector<platform::Bitmap> LedBitmaps();

}  // namespace vt::resources
