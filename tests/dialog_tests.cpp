// The control dialog driven as a user and a host would: window messages on the
// thread that called OpenHW, the simulated libraries' journal, the host's
// notifications.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <thread>

#include "host/import_patch.h"
#include "tests/dialog_driver.h"
#include "tests/plugin_fixture.h"

namespace {

constexpr int DeviceCombo = 1002, SampleRateCombo = 1004, LnaSlider = 1011, VgaSlider = 1015, CloseButton = 1021,
              ApiInfoEdit = 1026, SerialEdit = 1027, BoardEdit = 1028, ClockCheck = 1030, InputCombo = 1031,
              GpoCheck0 = 1032;

BOOL CALLBACK FindSettingsDialog(HWND window, LPARAM out) {
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  if (wcscmp(title, L"Kelvo SDR Settings") == 0) {
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
  }
  return TRUE;
}

class DialogTest : public PluginTest {
 protected:
  // The plug-in's dialog among this thread's windows, looked up afresh so
  // that a test sees a dialog destroyed or replaced.
  DialogDriver Driver() {
    DialogDriver driver;
    driver.Attach();
    return driver;
  }
  HWND Dialog() { return Driver().Dialog(); }
  HWND Control(int id) { return Driver().Control(id); }
  INT_PTR Procedure(UINT message, WPARAM wparam, LPARAM lparam) { return Driver().Procedure(message, wparam, lparam); }
  INT_PTR Command(int id, int code) { return Driver().Command(id, code); }
  INT_PTR Select(int combo, int row) { return Driver().Select(combo, row); }
  INT_PTR Click(int box, bool checked) { return Driver().Click(box, checked); }
  std::wstring ComboRow(int combo, int row) {
    wchar_t text[256] = {};
    SendMessageW(Control(combo), CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(text));
    return text;
  }
  int Selected(int combo) { return static_cast<int>(SendMessageW(Control(combo), CB_GETCURSEL, 0, 0)); }
  std::string TextOf(int id) {
    char text[256] = {};
    GetWindowTextA(Control(id), text, sizeof text);
    return text;
  }
  bool Checked(int box) { return SendMessageW(Control(box), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  int SliderPosition(int slider) { return Driver().SliderPosition(slider); }
  int Setting(int number) {
    char key[1024], value[1024];
    api.ExtIoGetSetting(number, key, value);
    return atoi(value);
  }
  void WaitForBlocks(int64_t blocks) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (recorder.BlockCalls() < blocks && std::chrono::steady_clock::now() < deadline) {
      PumpMessages();
      Sleep(2);
    }
  }
};

TEST_F(DialogTest, ListsDevicesAndShowsTheStateOnFirstShow) {
  // A serial with UTF-8 beyond ASCII ("Köln-7").
  rx.set_devices("K\xC3\xB6ln-7 RX2");
  sdr.set_devices("S9");
  api.ExtIoSetSetting(0, "Kelvo SDR");
  api.ExtIoSetSetting(1, "7");
  api.ExtIoSetSetting(3, "1");
  api.ExtIoSetSetting(4, "2");
  api.ExtIoSetSetting(5, "17");
  InitAndOpen();
  ASSERT_NE(Dialog(), nullptr) << "no dialog, though this host never initialised common controls";
  EXPECT_FALSE(IsWindowVisible(Dialog())) << "created hidden";
  ASSERT_EQ(SendMessageW(Control(DeviceCombo), CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(ComboRow(DeviceCombo, 0), L"Kelvo SDR K\u00F6ln-7");
  EXPECT_EQ(ComboRow(DeviceCombo, 1), L"Kelvo SDR RX2");
  EXPECT_EQ(ComboRow(DeviceCombo, 2), L"Kelvo SDR S9 (rapix)");
  EXPECT_EQ(SendMessageW(Control(SampleRateCombo), CB_GETCOUNT, 0, 0), 9);
  EXPECT_EQ(ComboRow(SampleRateCombo, 2), L"12.5 MHz");
  EXPECT_EQ(ComboRow(InputCombo, 1), L"IQ (HF1+HF2) direct sampling");
  EXPECT_EQ(TextOf(ApiInfoEdit), "lib v.3.2.1 drv 1.0.7");

  api.ShowGUI();
  PumpMessages();
  EXPECT_TRUE(IsWindowVisible(Dialog()));
  EXPECT_EQ(Selected(DeviceCombo), 0);
  EXPECT_EQ(Selected(SampleRateCombo), 7);
  EXPECT_EQ(Selected(InputCombo), 0);
  EXPECT_EQ(TextOf(BoardEdit), "hw: r.2.1 fw: v.1.4.0");
  EXPECT_EQ(TextOf(SerialEdit), "K\xC3\xB6ln-7") << "the serial's bytes unconverted";
  EXPECT_TRUE(Checked(ClockCheck));
  EXPECT_EQ(SliderPosition(LnaSlider), 2);
  EXPECT_EQ(SliderPosition(VgaSlider), 17);
  // Held and shown, not sent: open sends only the rate.
  for (const std::string& line : Journal()) {
    EXPECT_EQ(line.find("gain"), std::string::npos) << line;
    EXPECT_EQ(line.find("clk"), std::string::npos) << line;
  }
}

TEST_F(DialogTest, ApiTextsOfAFailingLibraryShowNoGarbage) {
  rx.set_result("get_api_info", -1);
  rx.set_api_writes(0);
  InitAndOpen();
  EXPECT_EQ(TextOf(ApiInfoEdit), "lib v. drv ");
}

TEST_F(DialogTest, StreamGreysOutDeviceAndRateChoice) {
  rx.set_paced(0);
  InitAndOpen();
  api.ShowGUI();
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  PumpMessages();
  EXPECT_FALSE(IsWindowEnabled(Control(DeviceCombo)));
  EXPECT_FALSE(IsWindowEnabled(Control(SampleRateCombo)));
  for (int id : {InputCombo, ClockCheck, LnaSlider, VgaSlider, CloseButton, GpoCheck0 + 7})
    EXPECT_TRUE(IsWindowEnabled(Control(id))) << id;
  api.StopHW();
  PumpMessages();
  EXPECT_TRUE(IsWindowEnabled(Control(DeviceCombo)));
  EXPECT_TRUE(IsWindowEnabled(Control(SampleRateCombo)));
}

TEST_F(DialogTest, VisibilityThroughExportsCloseBoxAndButton) {
  InitAndOpen();
  HWND dialog = Dialog();
  api.SwitchGUI();
  EXPECT_TRUE(IsWindowVisible(dialog));
  api.SwitchGUI();
  EXPECT_FALSE(IsWindowVisible(dialog));
  api.ShowGUI();
  EXPECT_TRUE(IsWindowVisible(dialog));
  SendMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_TRUE(IsWindow(dialog)) << "the close box hides, not destroys";
  api.ShowGUI();
  EXPECT_EQ(Command(CloseButton, BN_CLICKED), 1);
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_TRUE(IsWindow(dialog));
  api.HideGUI();
  EXPECT_FALSE(IsWindowVisible(dialog));
  // Enter and Esc do nothing.
  api.ShowGUI();
  EXPECT_EQ(Procedure(WM_COMMAND, IDOK, 0), 0);
  EXPECT_EQ(Procedure(WM_COMMAND, IDCANCEL, 0), 0);
  EXPECT_TRUE(IsWindowVisible(dialog));
  api.CloseHW();
  EXPECT_FALSE(IsWindow(dialog));
  api.ShowGUI();  // no dialog: nothing happens
}

TEST_F(DialogTest, OutputsAndClockReachTheReceiver) {
  InitAndOpen();
  ClearJournal();
  EXPECT_EQ(Click(GpoCheck0, true), 1);
  EXPECT_EQ(Click(GpoCheck0 + 3, true), 1);
  EXPECT_EQ(Click(GpoCheck0, false), 1);
  EXPECT_EQ(Click(ClockCheck, true), 1);
  EXPECT_EQ(Command(ClockCheck, BN_SETFOCUS), 1);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.set_user_gpo(rx#0, 1)", "rx.set_user_gpo(rx#0, 9)",
                                                 "rx.set_user_gpo(rx#0, 8)", "rx.set_clk_source(rx#0, 1)"}));
  EXPECT_EQ(Setting(3), 1);
  EXPECT_TRUE(Statuses().empty());
  // Refused: the field stays changed, the result says so.
  rx.set_result("set_user_gpo", 1);
  EXPECT_EQ(Click(GpoCheck0 + 7, true), 0);
  api.ShowGUI();
  PumpMessages();
  EXPECT_TRUE(Checked(GpoCheck0 + 7));
  EXPECT_TRUE(Checked(GpoCheck0 + 3));
  EXPECT_FALSE(Checked(GpoCheck0));
}

TEST_F(DialogTest, ArrowKeysMoveTheLnaGainOneStepAtATime) {
  InitAndOpen();
  api.ShowGUI();
  PumpMessages();
  ClearJournal();
  recorder.Clear();
  for (int press = 0; press < 3; ++press) {
    SendMessageW(Control(LnaSlider), WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageW(Control(LnaSlider), WM_KEYUP, VK_RIGHT, 0);
  }
  SendMessageW(Control(LnaSlider), WM_KEYDOWN, VK_RIGHT, 0);  // already at 3
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.set_lna_gain(rx#0, 1)", "rx.set_lna_gain(rx#0, 2)",
                                                 "rx.set_lna_gain(rx#0, 3)"}));
  EXPECT_EQ(Statuses(), (std::vector<int>{StatusGainChanged, StatusGainChanged, StatusGainChanged}));
  EXPECT_EQ(Setting(4), 3);
  // The VGA slider, refused by the receiver: stored, shown, not announced.
  rx.set_result("set_vga_gain", 2);
  SendMessageW(Control(VgaSlider), TBM_SETPOS, TRUE, 31);
  EXPECT_EQ(Procedure(WM_HSCROLL, TB_THUMBPOSITION, reinterpret_cast<LPARAM>(Control(VgaSlider))), 0);
  EXPECT_EQ(Setting(5), 31);
  EXPECT_EQ(Statuses().size(), 3u);
  EXPECT_EQ(Procedure(WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(Control(VgaSlider))), 0);
  EXPECT_EQ(Procedure(WM_HSCROLL, TB_ENDTRACK, 0), 0) << "not from a slider";
}

TEST_F(DialogTest, SampleRateChoice) {
  InitAndOpen();
  ClearJournal();
  EXPECT_EQ(Select(SampleRateCombo, 5), 1) << "the rate already selected";
  EXPECT_EQ(Command(SampleRateCombo, CBN_DROPDOWN), 1);
  EXPECT_TRUE(Journal().empty());
  EXPECT_EQ(Select(SampleRateCombo, 8), 1);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.set_samplerate(rx#0, 50000000, null)"}));
  EXPECT_EQ(Statuses(), (std::vector<int>{StatusSampleRateChanged}));
  rx.set_result("set_samplerate", 4);
  EXPECT_EQ(Select(SampleRateCombo, 2), 0);
  EXPECT_EQ(api.ExtIoGetActualSrateIdx(), 2);
  EXPECT_EQ(Statuses().size(), 1u) << "a refused rate is not announced";
}

TEST_F(DialogTest, InputChangesAnnounceTheLOAndShapeBlocks) {
  InitAndOpen();
  api.SetHWLO64(145000000);
  ASSERT_EQ(api.ExtIoSetSrate(2), 0);  // 12.5 MHz
  ClearJournal();
  recorder.Clear();
  int64_t lo_seen = 0;
  auto get_lo = api.GetHWLO64;
  OnNotification([&](int status) {
    if (status == StatusLOChanged) lo_seen = get_lo();
  });
  EXPECT_EQ(Select(InputCombo, 2), 1);  // RF -> HF1
  EXPECT_EQ(lo_seen, 145000000) << "the host reads the previous mode's LO";
  EXPECT_EQ(Select(InputCombo, 3), 1);  // HF1 -> HF2
  EXPECT_EQ(Select(InputCombo, 3), 1);  // unchanged: sent again, not announced
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.set_direct_sampling(rx#0, 1)", "rx.set_direct_sampling(rx#0, 1)",
                                                 "rx.set_direct_sampling(rx#0, 1)"}));
  EXPECT_EQ(Statuses(), (std::vector<int>{StatusLOChanged, StatusLOChanged}));

  // In the HF modes the LO is half the rate: reported, announced, never sent.
  recorder.SetHook(nullptr);
  recorder.Clear();
  ClearJournal();
  EXPECT_EQ(api.SetHWLO64(433000000), 6250000);
  EXPECT_EQ(api.SetHWLO(6250000), 6250000);
  EXPECT_EQ(api.GetHWLO64(), 6250000);
  EXPECT_EQ(api.GetHWLO(), 6250000);
  EXPECT_EQ(Statuses(), (std::vector<int>{StatusLOChanged, StatusLOChanged}));
  EXPECT_TRUE(Journal().empty()) << Lines(Journal());

  // Blocks arrive shaped: HF2 keeps the Q values, every other one negated, and zeroes the rest.
  rx.set_paced(0);
  const float group[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  rx.set_block_pattern(group, 8);
  std::atomic<int> wrong{0};
  OnBlock([&](int, const float* samples) {
    const float expected[8] = {2, 0, -4, 0, 6, 0, -8, 0};
    if (memcmp(samples, expected, sizeof expected) != 0) ++wrong;
  });
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  WaitForBlocks(5);
  api.StopHW();
  EXPECT_GE(recorder.BlockCalls(), 5);
  EXPECT_EQ(wrong, 0);

  // Back to RF: the stored LO returns.
  recorder.SetHook(nullptr);
  ClearJournal();
  EXPECT_EQ(Select(InputCombo, 0), 1);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.set_direct_sampling(rx#0, 0)"}));
  EXPECT_EQ(api.GetHWLO64(), 145000000);
  // Refused: mode changed anyway, result 0.
  rx.set_result("set_direct_sampling", 1);
  EXPECT_EQ(Select(InputCombo, 1), 0);
  EXPECT_EQ(Setting(2), 1);
}

TEST_F(DialogTest, DeviceChangeWithoutAStream) {
  sdr.set_devices("S1");
  InitAndOpen();
  ClearJournal();
  recorder.Clear();
  HWND dialog = Dialog();
  EXPECT_EQ(Select(DeviceCombo, 0), 0) << "the device already selected";
  EXPECT_EQ(Select(DeviceCombo, -1), 0) << "no row selected";
  EXPECT_TRUE(Journal().empty()) << Lines(Journal());
  EXPECT_EQ(Select(DeviceCombo, 1), 1);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.close(rx#0)", "sdr.open(index=0)", "sdr.get_board_info(sdr#0)",
                                                 "sdr.set_samplerate(sdr#0, 25000000)",
                                                 "sdr.set_auto_bandwidth(sdr#0, 0.9)"}));
  EXPECT_EQ(Statuses(), (std::vector<int>{StatusSampleRateChanged, StatusGainChanged}));
  EXPECT_EQ(Dialog(), dialog) << "the same dialog survives";
  EXPECT_EQ(SendMessageW(Control(DeviceCombo), CB_GETCOUNT, 0, 0), 2);
  EXPECT_TRUE(message_boxes.Seen().empty());
  api.ShowGUI();
  PumpMessages();
  EXPECT_EQ(TextOf(SerialEdit), "S1 (rapix)");
}

BOOL CALLBACK CountSettingsDialogs(HWND window, LPARAM out) {
  HWND found = nullptr;
  FindSettingsDialog(window, reinterpret_cast<LPARAM>(&found));
  if (found) ++*reinterpret_cast<int*>(out);
  return TRUE;
}

TEST_F(DialogTest, SecondOpenKeepsOneDialog) {
  InitAndOpen();
  HWND dialog = Dialog();
  ASSERT_TRUE(api.OpenHW());
  int dialogs = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountSettingsDialogs, reinterpret_cast<LPARAM>(&dialogs));
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(Dialog(), dialog);
  api.CloseHW();
  EXPECT_EQ(Dialog(), nullptr) << "no dialog outlives CloseHW";
}

TEST_F(DialogTest, DeviceChangeMovesARunningStream) {
  sdr.set_devices("S1");
  rx.set_paced(0);
  sdr.set_paced(0);
  InitAndOpen();
  ASSERT_EQ(api.StartHW64(433000000), 32768);
  WaitForBlocks(3);
  ClearJournal();
  EXPECT_EQ(Select(DeviceCombo, 1), 1);
  std::vector<std::string> journal = Journal();
  ASSERT_GE(journal.size(), 8u) << Lines(journal);
  EXPECT_EQ(std::vector<std::string>(journal.begin(), journal.begin() + 8),
            (std::vector<std::string>{"rx.cancel_async(rx#0)", "rx.read_async.return(0)", "rx.close(rx#0)",
                                      "sdr.open(index=0)", "sdr.get_board_info(sdr#0)",
                                      "sdr.set_samplerate(sdr#0, 25000000)", "sdr.set_auto_bandwidth(sdr#0, 0.9)",
                                      "sdr.set_frequency(sdr#0, 433000000)"}));
  int64_t before = sdr.Stats().blocks_delivered;
  WaitForBlocks(recorder.BlockCalls() + 3);
  EXPECT_GT(sdr.Stats().blocks_delivered, before) << "the stream goes on from the new receiver";
  EXPECT_TRUE(message_boxes.Seen().empty());
}

HANDLE WINAPI NoThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD) {
  return nullptr;
}

TEST_F(DialogTest, DeviceChangeWhoseRestartFailsTellsTheUser) {
  sdr.set_devices("S1");
  rx.set_paced(0);
  InitAndOpen();
  ASSERT_EQ(api.StartHW64(433000000), 32768);
  void* original = PatchImport(plugin->module(), "kernel32.dll", "CreateThread", reinterpret_cast<void*>(NoThread));
  recorder.Clear();
  EXPECT_EQ(Select(DeviceCombo, 1), 1);
  PatchImport(plugin->module(), "kernel32.dll", "CreateThread", original);
  std::vector<SeenMessageBox> boxes = message_boxes.Seen();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Device change error");
  EXPECT_EQ(boxes[0].caption, L"ExtIO");
  EXPECT_EQ(boxes[0].icon, "error");
  EXPECT_EQ(Statuses(), (std::vector<int>{StatusSampleRateChanged, StatusGainChanged}));
  api.ShowGUI();
  PumpMessages();
  EXPECT_TRUE(IsWindowEnabled(Control(DeviceCombo))) << "no stream left behind";
  EXPECT_EQ(api.StartHW64(433000000), 32768) << "the host can start again";
}

TEST_F(DialogTest, DeviceChangeWhoseOpenFailsDuringAStreamTellsTheUser) {
  sdr.set_devices("S1");
  rx.set_paced(0);
  InitAndOpen();
  ASSERT_EQ(api.StartHW64(433000000), 32768);
  sdr.set_result("open", -1);
  EXPECT_EQ(Select(DeviceCombo, 1), 1);
  std::vector<SeenMessageBox> boxes = message_boxes.Seen();
  ASSERT_EQ(boxes.size(), 1u) << "the stream stopped under the host";
  EXPECT_EQ(boxes[0].text, L"Device change error");
}

TEST_F(DialogTest, DeviceChangeWhoseOpenFailsAndAStaleRow) {
  sdr.set_devices("S1");
  InitAndOpen();
  sdr.set_result("open", 5);
  recorder.Clear();
  EXPECT_EQ(Select(DeviceCombo, 1), 1);
  EXPECT_EQ(Statuses(), (std::vector<int>{StatusSampleRateChanged, StatusGainChanged}));
  EXPECT_TRUE(message_boxes.Seen().empty());
  // No receiver open: a command is held and counts as accepted.
  ClearJournal();
  EXPECT_EQ(Select(SampleRateCombo, 3), 1);
  EXPECT_EQ(api.ExtIoGetActualSrateIdx(), 3);
  EXPECT_TRUE(Journal().empty()) << Lines(Journal());
  EXPECT_EQ(api.StartHW64(145000000), -1);

  // The host starts over with a listing that no longer has row 1.
  api.CloseHW();
  sdr.set_devices("");
  ASSERT_TRUE(Init());
  ClearJournal();
  EXPECT_FALSE(api.OpenHW()) << "row 1 is stale";
  EXPECT_TRUE(Journal().empty()) << Lines(Journal());
}

}  // namespace
