#include "shell/windows/panel_session.h"

#include "resources/resource_ids.h"
#include "resources/templates.h"

namespace vt::shell::win32 {

namespace {

HICON LoadAppIcon(int sizeMetric) {
  const int size = GetSystemMetrics(sizeMetric);
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                       MAKEINTRESOURCEW(resources::kAppIcon), IMAGE_ICON, size,
                                       size, LR_DEFAULTCOLOR | LR_SHARED));
}

}  // namespace

PanelSession::PanelSession(PanelStartup startup) : startup_(std::move(startup)) {}

PanelSession::~PanelSession() = default;

bool PanelSession::Start() {
  ui_ = std::make_unique<platform::win32::Win32Ui>(resources::BuiltInTemplates());
  ui_->SetUnattended(startup_.unattended);
  ui_->SetIcons(LoadAppIcon(SM_CXICON), LoadAppIcon(SM_CXSMICON));
  core_ = std::make_unique<PanelCore>(*ui_, startup_);
  return core_->Start();
}

}  // namespace vt::shell::win32
