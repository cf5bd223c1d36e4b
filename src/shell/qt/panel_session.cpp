#include "shell/qt/panel_session.h"

#include <QWidget>

#include "platform/qt/app_icon.h"
#include "resources/templates.h"

namespace vt::shell::qt {

PanelSession::PanelSession(PanelStartup startup) : startup_(std::move(startup)) {}

PanelSession::~PanelSession() = default;

bool PanelSession::Start() {
  ui_ = std::make_unique<platform::qt::QtUi>(resources::BuiltInTemplates());
  ui_->SetUnattended(startup_.unattended);
  core_ = std::make_unique<PanelCore>(*ui_, startup_);
  if (!core_->Start()) return false;
  if (QWidget* frame = ui_->Widget(core_->MainHandle())) frame->setWindowIcon(platform::qt::AppIcon());
  return true;
}

}  // namespace vt::shell::qt
