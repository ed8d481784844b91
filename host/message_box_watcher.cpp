#include "host/message_box_watcher.h"

#include <algorithm>

#include "host/host_process.h"

// Message boxes are dialogs with a static text child of id 0xFFFF.
static const int MessageTextId = 0xFFFF;

static std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

static BOOL CALLBACK FindIcon(HWND child, LPARAM out) {
  wchar_t class_name[32] = {};
  GetClassNameW(child, class_name, 32);
  if (_wcsicmp(class_name, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    *reinterpret_cast<HICON*>(out) = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    return FALSE;
  }
  return TRUE;
}

static std::string IconKind(HWND box) {
  HICON icon = nullptr;
  EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
  if (!icon) return "none";
  if (icon == LoadIconA(nullptr, IDI_HAND)) return "error";
  if (icon == LoadIconA(nullptr, IDI_EXCLAMATION)) return "warning";
  if (icon == LoadIconA(nullptr, IDI_ASTERISK)) return "information";
  if (icon == LoadIconA(nullptr, IDI_QUESTION)) return "question";
  return "other";
}

struct BoxSearch {
  DWORD process;
  std::vector<HWND> boxes;
};

static BOOL CALLBACK FindBoxes(HWND window, LPARAM param) {
  BoxSearch* search = reinterpret_cast<BoxSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (process == search->process && wcscmp(class_name, L"#32770") == 0 && GetDlgItem(window, MessageTextId) &&
      IsWindowVisible(window))
    search->boxes.push_back(window);
  return TRUE;
}

MessageBoxWatcher::MessageBoxWatcher() {
  LoadHostLibraries();
  thread_ = std::thread([this] { Watch(); });
}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  thread_.join();
}

void MessageBoxWatcher::Watch() {
  while (!stop_) {
    {
      // A handle may be reused once its box is gone.
      std::lock_guard<std::mutex> lock(mutex_);
      std::erase_if(dismissed_, [](HWND box) { return !IsWindow(box); });
    }
    BoxSearch search{GetCurrentProcessId(), {}};
    EnumWindows(FindBoxes, reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.boxes) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (std::find(dismissed_.begin(), dismissed_.end(), box) != dismissed_.end()) continue;
      seen_.push_back({WindowText(GetDlgItem(box, MessageTextId)), WindowText(box), IconKind(box),
                       GetWindow(box, GW_OWNER) != nullptr});
      dismissed_.push_back(box);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    Sleep(10);
  }
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() {
  std::lock_guard<std::mutex> lock(mutex_);
  return seen_;
}

void MessageBoxWatcher::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  seen_.clear();
}
