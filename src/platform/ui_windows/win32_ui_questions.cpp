// Win32Ui: questions (message boxes), file choices through the common item
// dialog, closes asked for while an operation runs, and the bookkeeping of
// open modal windows.
#include <windows.h>
#include <shobjidl.h>

#include <algorithm>

#include "platform/ui_windows/wide_text.h"
#include "platform/ui_windows/win32_ui.h"

namespace vt::platform::win32 {

namespace {

UINT ButtonFlags(MessageButtons buttons) {
  // Enter takes the answer that changes nothing.
  switch (buttons) {
    case MessageButtons::Ok: return MB_OK;
    case MessageButtons::OkCancel: return MB_OKCANCEL | MB_DEFBUTTON2;
    case MessageButtons::YesNo: return MB_YESNO | MB_DEFBUTTON2;
    case MessageButtons::YesNoCancel: return MB_YESNOCANCEL | MB_DEFBUTTON3;
  }
  return MB_OK;
}

UINT IconFlags(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::None: return 0;
    case MessageIcon::Information: return MB_ICONINFORMATION;
    case MessageIcon::Question: return MB_ICONQUESTION;
    case MessageIcon::Warning: return MB_ICONWARNING;
    case MessageIcon::Error: return MB_ICONERROR;
  }
  return 0;
}

int AnswerId(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Ok: return IDOK;
    case MessageAnswer::Cancel: return IDCANCEL;
    case MessageAnswer::Yes: return IDYES;
    case MessageAnswer::No: return IDNO;
  }
  return IDCANCEL;
}

BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM into) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (std::wstring_view(name) == L"#32770") {
    reinterpret_cast<std::vector<HWND>*>(into)->push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

void Win32Ui::SetScript(UiScript* script) { script_ = script ? script : &ownScript_; }

// ---- Modality ------------------------------------------------------------------

bool Win32Ui::InputBlocked(WindowHandle handle) const {
  if (modals_.empty()) return operationDepth_ > 0;
  // Only the newest modal dialog of ours takes input; a message box or a
  // file dialog is not ours, so every window of ours is then held.
  const HWND top = modals_.back().hwnd;
  const HWND hwnd = Hwnd(handle);
  return top == nullptr || hwnd == nullptr || GetAncestor(hwnd, GA_ROOT) != top;
}

HWND Win32Ui::QuestionOwner(WindowHandle owner) const {
  if (const HWND hwnd = Hwnd(owner)) return GetAncestor(hwnd, GA_ROOT);
  if (const HWND active = GetActiveWindow(); active != nullptr && HandleOf(active) != kNoWindow) {
    return GetAncestor(active, GA_ROOT);
  }
  // Else the panel's main window: a shown window first, one with a menu
  // before one without.
  HWND best = nullptr;
  int bestRank = -1;
  for (const auto& [handle, entry] : windows_) {
    if (!entry.topLevel || entry.modal || entry.hwnd == nullptr) continue;
    const int rank = (::IsWindowVisible(entry.hwnd) ? 2 : 0) + (entry.menu != nullptr ? 1 : 0);
    if (rank > bestRank) {
      best = entry.hwnd;
      bestRank = rank;
    }
  }
  return best;
}

std::vector<HWND> Win32Ui::DisableOtherWindows(HWND except) {
  // The modal loop disables its owner only; a progress window or a second
  // top-level window would still take clicks.
  std::vector<HWND> disabled;
  for (const auto& [handle, entry] : windows_) {
    if (!entry.topLevel || entry.hwnd == nullptr || entry.hwnd == except) continue;
    if (IsWindowEnabled(entry.hwnd)) {
      EnableWindow(entry.hwnd, FALSE);
      disabled.push_back(entry.hwnd);
    }
  }
  return disabled;
}

void Win32Ui::EnableWindows(const std::vector<HWND>& windows) {
  for (HWND hwnd : windows) {
    if (::IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
}

// ---- Questions -------------------------------------------------------------------

MessageAnswer Win32Ui::AskUser(const MessageBoxRequest& request) {
  const HWND owner = QuestionOwner(request.owner);
  const MessageAnswer safe = UiScript::SafeDefault(request.buttons);
  const std::vector<HWND> disabled = DisableOtherWindows(owner);
  modals_.push_back({nullptr, nullptr, AnswerId(safe)});
  // Without any window of ours the box holds every window of the thread.
  const UINT modality = owner != nullptr ? MB_APPLMODAL : MB_TASKMODAL;
  const int pressed =
      MessageBoxW(owner, Widen(request.text).c_str(), Widen(request.caption).c_str(),
                  ButtonFlags(request.buttons) | IconFlags(request.icon) | modality | MB_SETFOREGROUND);
  modals_.pop_back();
  EnableWindows(disabled);
  ScheduleDrain();
  switch (pressed) {
    case IDOK: return MessageAnswer::Ok;
    case IDYES: return MessageAnswer::Yes;
    case IDNO: return MessageAnswer::No;
    default:
      // Escape or the close box: what changes nothing.
      return safe;
  }
}

MessageAnswer Win32Ui::MessageBox(const MessageBoxRequest& request) {
  if (unattended_ || script_->HasQueuedAnswer()) return script_->Answer(request);
  return AskUser(request);
}

std::optional<std::string> Win32Ui::ChooseFile(const FileDialogRequest& request) {
  if (unattended_ || script_->HasQueuedFile()) return script_->ChooseFile(request);

  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const bool save = request.mode == FileDialogMode::Save;
  IFileDialog* dialog = nullptr;
  std::optional<std::string> chosen;
  if (SUCCEEDED(CoCreateInstance(save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog, nullptr,
                                 CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                 reinterpret_cast<void**>(&dialog)))) {
    dialog->SetTitle(Widen(request.title).c_str());
    std::vector<std::wstring> texts;
    texts.reserve(request.filters.size() * 2);
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const FileFilter& filter : request.filters) {
      texts.push_back(Widen(filter.name + " (" + filter.pattern + ")"));
      texts.push_back(Widen(filter.pattern));
    }
    for (size_t i = 0; i + 1 < texts.size(); i += 2) {
      specs.push_back({texts[i].c_str(), texts[i + 1].c_str()});
    }
    if (!specs.empty()) {
      dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
      dialog->SetFileTypeIndex(1);
    }
    // "*.dat" names the extension a bare file name gets.
    std::string suffix = request.defaultExtension;
    if (const size_t dot = suffix.rfind('.'); dot != std::string::npos) suffix = suffix.substr(dot + 1);
    if (!suffix.empty() && suffix.find('*') == std::string::npos) {
      dialog->SetDefaultExtension(Widen(suffix).c_str());
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    options |= FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR;
    if (save) {
      // The callers ask about overwriting themselves where it matters.
      options &= ~static_cast<FILEOPENDIALOGOPTIONS>(FOS_OVERWRITEPROMPT);
    } else if (request.mustExist) {
      options |= FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST;
    } else {
      options &= ~static_cast<FILEOPENDIALOGOPTIONS>(FOS_FILEMUSTEXIST);
    }
    dialog->SetOptions(options);
    const HWND owner = QuestionOwner(request.owner);
    const std::vector<HWND> disabled = DisableOtherWindows(owner);
    modals_.push_back({nullptr, dialog, IDCANCEL});
    const HRESULT shown = dialog->Show(owner);
    modals_.pop_back();
    EnableWindows(disabled);
    IShellItem* item = nullptr;
    if (SUCCEEDED(shown) && SUCCEEDED(dialog->GetResult(&item)) && item != nullptr) {
      PWSTR path = nullptr;
      if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path != nullptr) {
        chosen = Narrow(path);
        CoTaskMemFree(path);
      }
      item->Release();
    }
    dialog->Release();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  ScheduleDrain();
  return chosen;
}

void Win32Ui::CloseModals() {
  // Newest first: each one's loop ends, and its caller gets "cancel" (or
  // "no" where there is no cancel).
  std::vector<HWND> boxes;
  EnumThreadWindows(GetCurrentThreadId(), &CollectBoxes, reinterpret_cast<LPARAM>(&boxes));
  std::erase_if(boxes, [this](HWND box) { return HandleOf(box) != kNoWindow; });
  for (auto it = modals_.rbegin(); it != modals_.rend(); ++it) {
    if (it->hwnd != nullptr) {
      EndDialog(it->hwnd, kIdCancel);
    } else if (it->fileDialog != nullptr) {
      it->fileDialog->Close(HRESULT_FROM_WIN32(ERROR_CANCELLED));
    } else {
      for (HWND box : boxes) PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(it->closeWith), 0);
    }
  }
}

// ---- Closes during an operation ----------------------------------------------------

void Win32Ui::RequestClose(WindowHandle window) {
  switch (RouteClose(operationDepth_ > 0, !modals_.empty())) {
    // Asked at the next repaint of the operation, outside this message.
    case CloseRoute::kHoldForOperation: close_.Asked(); return;
    case CloseRoute::kQueue: Queue({window, EventKind::Close, 0, 0}); return;
    case CloseRoute::kRaiseNow: Raise({window, EventKind::Close, 0, 0}); return;
  }
}

void Win32Ui::AskCloseDuringOperation() {
  if (!close_.AskNow(unattended_)) return;
  MessageBoxRequest question;
  question.owner = operationWindow_;
  question.text = kCloseDuringOperationQuestion;
  question.caption = "Velotrack";
  question.buttons = MessageButtons::YesNo;
  question.icon = MessageIcon::Question;
  close_.Answered(AskUser(question) == MessageAnswer::Yes);
  if (close_.Pending()) {
    if (const HWND label = BusyLabel(operationWindow_)) {
      const int length = GetWindowTextLengthW(label);
      std::wstring text(static_cast<size_t>(length) + 1, L'\0');
      text.resize(static_cast<size_t>(std::max(0, GetWindowTextW(label, text.data(), length + 1))));
      SetWindowTextW(label, (text + Widen(kClosesWhenDoneNote)).c_str());
    }
  }
}

}  // namespace vt::platform::win32
