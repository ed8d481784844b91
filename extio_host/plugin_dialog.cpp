#include "extio_host/plugin_dialog.h"

#include <commctrl.h>

#include "host/message_pump.h"
#include "ui/dialog_ids.h"

std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "";
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<size_t>(size) - 1);
  return out;
}

struct DialogSearch {
  HMODULE plugin;
  HWND found = nullptr;
};

static BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  DialogSearch& search = *reinterpret_cast<DialogSearch*>(param);
  char window_class[16] = {};
  GetClassNameA(window, window_class, sizeof window_class);
  if (strcmp(window_class, "#32770") != 0) return TRUE;
  if (reinterpret_cast<HMODULE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)) != search.plugin) return TRUE;
  search.found = window;
  return FALSE;
}

PluginDialog PluginDialog::Find(HMODULE plugin) {
  DialogSearch search{plugin};
  EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&search));
  return PluginDialog(search.found);
}

// The control `id`, provided it is of the class this host expects there.
HWND PluginDialog::Control(int id, const char* window_class) const {
  HWND control = window_ ? GetDlgItem(window_, id) : nullptr;
  char actual[32] = {};
  if (control) GetClassNameA(control, actual, sizeof actual);
  return control && lstrcmpiA(actual, window_class) == 0 ? control : nullptr;
}

static std::wstring ComboRow(HWND combo, int row) {
  LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, row, 0);
  if (length < 0) return L"";
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(text.data()));
  text.resize(wcslen(text.c_str()));
  return text;
}

std::vector<std::string> PluginDialog::DeviceRows() const {
  std::vector<std::string> rows;
  HWND combo = Control(DeviceComboId, "ComboBox");
  if (!combo) return rows;
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (int row = 0; row < count; ++row) rows.push_back(Utf8(ComboRow(combo, row)));
  return rows;
}

int PluginDialog::SelectedDevice() const {
  HWND combo = Control(DeviceComboId, "ComboBox");
  return combo ? static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)) : -1;
}

std::string PluginDialog::InputText() const {
  HWND combo = Control(InputComboId, "ComboBox");
  if (!combo) return "";
  LRESULT row = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  return row < 0 ? "" : Utf8(ComboRow(combo, static_cast<int>(row)));
}

// Picks a row as a user does: the selection, then the notification the box sends its dialog.
std::string PluginDialog::SelectRow(int combo_id, int row) {
  HWND combo = Control(combo_id, "ComboBox");
  if (SendMessageW(combo, CB_SETCURSEL, row, 0) != row) return "the box refused row " + std::to_string(row);
  SendMessageW(window_, WM_COMMAND, MAKEWPARAM(combo_id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  PumpMessages();
  return "";
}

std::string PluginDialog::SelectDevice(int row) {
  if (!window_) return "the plug-in has no control dialog";
  HWND combo = Control(DeviceComboId, "ComboBox");
  if (!combo) return "its control dialog has no device box";
  LRESULT rows = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  if (row >= rows) return "the device box has " + std::to_string(rows) + " rows";
  std::string why = SelectRow(DeviceComboId, row);
  if (why.empty() && SelectedDevice() != row) why = "the plug-in went back to row " + std::to_string(SelectedDevice());
  return why;
}

std::string PluginDialog::SelectInput(InputMode mode) {
  if (!window_) return "the plug-in has no control dialog";
  HWND combo = Control(InputComboId, "ComboBox");
  if (!combo) return "its control dialog has no input box";
  // By the row's own words, not its position.
  const wchar_t* prefix = mode == InputMode::RF    ? L"RF"
                          : mode == InputMode::IQ  ? L"IQ"
                          : mode == InputMode::HF1 ? L"HF1"
                                                   : L"HF2";
  LRESULT rows = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (int row = 0; row < rows; ++row)
    if (ComboRow(combo, row).rfind(prefix, 0) == 0) return SelectRow(InputComboId, row);
  return "the input box has no row for " + InputModeName(mode);
}

std::string PluginDialog::SetSlider(int slider_id, int label_id, const char* label, int value) {
  if (!window_) return "the plug-in has no control dialog";
  HWND slider = Control(slider_id, TRACKBAR_CLASSA);
  if (!slider || Text(label_id).rfind(label, 0) != 0)
    return std::string("its control dialog has no ") + label + " slider";
  LRESULT low = SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), high = SendMessageW(slider, TBM_GETRANGEMAX, 0, 0);
  if (value < low || value > high)
    return std::string("the ") + label + " slider goes from " + std::to_string(low) + " to " + std::to_string(high);
  // Where a drag ends: the position, then the scroll message the slider sends its dialog.
  SendMessageW(slider, TBM_SETPOS, TRUE, value);
  SendMessageW(window_, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
  PumpMessages();
  return "";
}

std::string PluginDialog::SetLnaGain(int gain) { return SetSlider(LnaGainSliderId, LnaGainLabelId, "LNA", gain); }
std::string PluginDialog::SetVgaGain(int gain) { return SetSlider(VgaGainSliderId, VgaGainLabelId, "VGA", gain); }

int PluginDialog::SliderPosition(int slider_id, int label_id, const char* label) const {
  HWND slider = Control(slider_id, TRACKBAR_CLASSA);
  if (!slider || Text(label_id).rfind(label, 0) != 0) return -1;
  return static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0));
}

int PluginDialog::LnaGain() const { return SliderPosition(LnaGainSliderId, LnaGainLabelId, "LNA"); }
int PluginDialog::VgaGain() const { return SliderPosition(VgaGainSliderId, VgaGainLabelId, "VGA"); }

std::string PluginDialog::Text(int id) const {
  HWND control = window_ ? GetDlgItem(window_, id) : nullptr;
  if (!control) return "";
  char text[512] = {};
  GetWindowTextA(control, text, sizeof text);
  return text;
}

std::string PluginDialog::Serial() const { return Control(SerialEditId, "Edit") ? Text(SerialEditId) : ""; }
std::string PluginDialog::Board() const { return Control(BoardEditId, "Edit") ? Text(BoardEditId) : ""; }
