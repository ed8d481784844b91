// Opening and closing the receiver, the LO, the sample rates and the settings
// exchange, as a host drives them and as the device libraries see them.
#include <cstring>

#include "tests/plugin_fixture.h"

namespace {

using OpenCloseTest = PluginTest;

TEST_F(OpenCloseTest, RxRowOpensWithRateAndNoBandwidth) {
  ASSERT_TRUE(Init());
  ClearJournal();
  EXPECT_TRUE(api.OpenHW());
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.open(index=0)", "rx.get_board_info(rx#0)",
                                                 "rx.set_samplerate(rx#0, 25000000, null)",
                                                 "rx.get_api_info"}));  // the dialog's library texts
  ClearJournal();
  api.CloseHW();
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.close(rx#0)"}));
}

TEST_F(OpenCloseTest, SdrRowOpensWithAutomaticBandwidth) {
  rx.set_devices("");
  sdr.set_devices("S0 S1");
  ASSERT_TRUE(Init());
  ClearJournal();
  EXPECT_TRUE(api.OpenHW());
  EXPECT_EQ(Journal(), (std::vector<std::string>{"sdr.open(index=0)", "sdr.get_board_info(sdr#0)",
                                                 "sdr.set_samplerate(sdr#0, 25000000)",
                                                 "sdr.set_auto_bandwidth(sdr#0, 0.9)",
                                                 "rx.get_api_info"}));  // always the rx library
}

TEST_F(OpenCloseTest, OpenAppliesTheRestoredRate) {
  api.ExtIoSetSetting(0, "Kelvo SDR");
  api.ExtIoSetSetting(1, "8");
  ASSERT_TRUE(Init());
  ClearJournal();
  ASSERT_TRUE(api.OpenHW());
  EXPECT_EQ(Journal()[2], "rx.set_samplerate(rx#0, 50000000, null)");
  EXPECT_EQ(api.GetHWSR(), 50000000);
}

struct OpenFailureCase {
  const char* name;
  const char* failing;  // simulated operation that refuses
  bool opened;          // OpenHW's result
  std::vector<std::string> close_journal;  // what the following CloseHW releases
};

// A step of OpenHW refused by the library, then the host's CloseHW.
const OpenFailureCase OpenFailures[] = {
    {"open refused", "open", false, {}},
    {"board text refused", "get_board_info", false, {"sdr.close(sdr#0)"}},
    {"rate refused", "set_samplerate", false, {"sdr.close(sdr#0)"}},
    {"bandwidth refused", "set_auto_bandwidth", true, {"sdr.close(sdr#0)"}},
};

TEST_F(OpenCloseTest, FailuresLeaveWhatCloseCanRelease) {
  for (const OpenFailureCase& c : OpenFailures) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    rx.set_devices("");
    sdr.set_result(c.failing, -7);
    ASSERT_TRUE(Init());
    EXPECT_EQ(api.OpenHW(), c.opened);
    ClearJournal();
    api.CloseHW();
    EXPECT_EQ(Journal(), c.close_journal);
    // Closed: a second close does nothing and the host must list again.
    ClearJournal();
    api.CloseHW();
    EXPECT_FALSE(api.OpenHW());
    EXPECT_TRUE(Journal().empty()) << Lines(Journal());
  }
}

TEST_F(OpenCloseTest, OpenBeforeAListingOpensNothing) {
  EXPECT_FALSE(api.OpenHW());
  EXPECT_TRUE(Journal().empty()) << Lines(Journal());
}

TEST_F(OpenCloseTest, SecondOpenReleasesTheFirstDevice) {
  ASSERT_TRUE(Init());
  ASSERT_TRUE(api.OpenHW());
  ClearJournal();
  EXPECT_TRUE(api.OpenHW());
  ASSERT_GE(Journal().size(), 2u);
  EXPECT_EQ(Journal()[0], "rx.close(rx#0)");
  EXPECT_EQ(Journal()[1], "rx.open(index=0)");
  ClearJournal();
  api.CloseHW();
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.close(rx#0)"}));
}

TEST_F(OpenCloseTest, UnterminatedBoardTextsStillOpen) {
  std::string hw(32, 'H'), fw(32, 'F');
  rx.set_board_text(0, hw.data(), 32);
  rx.set_board_text(1, fw.data(), 32);
  ASSERT_TRUE(Init());
  EXPECT_TRUE(api.OpenHW());
}

TEST_F(OpenCloseTest, InitAfterCloseListsAgain) {
  InitAndOpen();
  api.CloseHW();
  ClearJournal();
  EXPECT_TRUE(Init());
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.list_devices", "sdr.list_devices"}));
  EXPECT_TRUE(api.OpenHW());
}

// ---- LO ----

using LOTest = PluginTest;

struct LOCase {
  int64_t request;
  int64_t in_effect;
  bool notified;
};

// SetHWLO64 in RF with a receiver open.
const LOCase LOCases[] = {
    {49999999, 50000000, true},        {50000000, 50000000, false},
    {145000000, 145000000, false},     {6000000000, 6000000000, false},
    {6000000001, 6000000000, true},    {-1, 50000000, true},
    {INT64_MIN, 50000000, true},       {INT64_MAX, 6000000000, true},
};

TEST_F(LOTest, ClampsAnnouncesAndTunes) {
  InitAndOpen();
  for (const LOCase& c : LOCases) {
    SCOPED_TRACE(c.request);
    recorder.Clear();
    ClearJournal();
    EXPECT_EQ(api.SetHWLO64(c.request), c.in_effect);
    EXPECT_EQ(api.GetHWLO64(), c.in_effect);
    EXPECT_EQ(Statuses(), c.notified ? std::vector<int>{StatusLOChanged} : std::vector<int>{});
    char frequency[64];
    snprintf(frequency, sizeof frequency, "rx.set_frequency(rx#0, %lld, null)", static_cast<long long>(c.in_effect));
    EXPECT_EQ(Journal(), (std::vector<std::string>{frequency}));
  }
}

TEST_F(LOTest, SameFrequencyIsSentAgainWithoutNotice) {
  rx.set_devices("");
  InitAndOpen();
  api.SetHWLO64(145000000);
  recorder.Clear();
  ClearJournal();
  EXPECT_EQ(api.SetHWLO64(145000000), 145000000);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"sdr.set_frequency(sdr#0, 145000000)"}));
  EXPECT_TRUE(Statuses().empty());
}

TEST_F(LOTest, NoticeComesBeforeTheStore) {
  InitAndOpen();
  api.SetHWLO64(145000000);
  int64_t seen = 0;
  std::vector<std::string> journal_seen;
  auto get_lo = api.GetHWLO64;
  OnNotification([&](int) {
    seen = get_lo();
    journal_seen = rx.JournalLines();
  });
  ClearJournal();
  EXPECT_EQ(api.SetHWLO64(7000000000), 6000000000);
  EXPECT_EQ(seen, 145000000);
  EXPECT_TRUE(journal_seen.empty()) << "tuned before the host was told";
}

TEST_F(LOTest, StoresWithoutTuningBeforeADeviceIsOpen) {
  EXPECT_EQ(api.SetHWLO64(145000000), 145000000);
  EXPECT_EQ(api.GetHWLO64(), 145000000);
  ASSERT_TRUE(Init());
  EXPECT_EQ(api.SetHWLO64(433000000), 433000000);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.list_devices", "sdr.list_devices"}));
  // Open sends the rate only; the LO waits for the next SetHWLO64.
  ClearJournal();
  ASSERT_TRUE(api.OpenHW());
  for (const std::string& line : Journal()) EXPECT_EQ(line.find("set_frequency"), std::string::npos) << line;
}

TEST_F(LOTest, ThirtyTwoBitCallsWidenAndWrap) {
  api.SetCallback(HostCallbackRecorder::Callback);
  EXPECT_EQ(api.SetHWLO(-1), 50000000);
  EXPECT_EQ(Statuses(), (std::vector<int>{StatusLOChanged}));
  EXPECT_EQ(api.SetHWLO(2147483647), 2147483647);
  EXPECT_EQ(api.GetHWLO64(), 2147483647);
  api.SetHWLO64(2400000000);
  EXPECT_EQ(api.GetHWLO(), -1894967296);
  api.SetHWLO64(6000000000);
  EXPECT_EQ(api.GetHWLO(), 1705032704);
  EXPECT_EQ(api.GetHWLO64(), 6000000000);
}

// ---- sample rates ----

using SampleRateTest = PluginTest;

TEST_F(SampleRateTest, ListsNineRatesAndRefusesOtherRows) {
  const double rates[] = {8e6, 10e6, 12.5e6, 16e6, 20e6, 25e6, 32e6, 40e6, 50e6};
  for (int row = 0; row < 9; ++row) {
    double rate = 0;
    EXPECT_EQ(api.ExtIoGetSrates(row, &rate), 0);
    EXPECT_EQ(rate, rates[row]) << "row " << row;
  }
  for (int row : {9, -1, 1000, INT32_MIN}) {
    double rate = -3.0;
    EXPECT_EQ(api.ExtIoGetSrates(row, &rate), 1) << "row " << row;
    EXPECT_EQ(rate, -3.0);
  }
  EXPECT_EQ(api.ExtIoGetSrates(0, nullptr), 1);
}

TEST_F(SampleRateTest, SelectionBeforeOpenIsAppliedAtOpen) {
  api.SetCallback(HostCallbackRecorder::Callback);
  EXPECT_EQ(api.GetHWSR(), 25000000);  // before any open: the selected row's rate
  EXPECT_EQ(api.ExtIoSetSrate(9), 1);
  EXPECT_EQ(api.ExtIoSetSrate(-1), 1);
  EXPECT_TRUE(Statuses().empty());
  EXPECT_EQ(api.ExtIoGetActualSrateIdx(), 5);
  EXPECT_EQ(api.ExtIoSetSrate(3), 0);
  EXPECT_EQ(Statuses(), (std::vector<int>{StatusSampleRateChanged}));
  EXPECT_EQ(api.GetHWSR(), 16000000);
  ASSERT_TRUE(Init());
  ClearJournal();
  ASSERT_TRUE(api.OpenHW());
  EXPECT_EQ(Journal()[2], "rx.set_samplerate(rx#0, 16000000, null)");
  EXPECT_EQ(api.GetHWSR(), 16000000);
}

TEST_F(SampleRateTest, DeviceTakesTheRateBeforeTheHostHears) {
  InitAndOpen();
  int row_seen = -1;
  std::vector<std::string> journal_seen;
  auto get_row = api.ExtIoGetActualSrateIdx;
  OnNotification([&](int) {
    row_seen = get_row();
    journal_seen = rx.JournalLines();
  });
  ClearJournal();
  EXPECT_EQ(api.ExtIoSetSrate(8), 0);
  EXPECT_EQ(row_seen, 8);
  EXPECT_EQ(journal_seen, (std::vector<std::string>{"rx.set_samplerate(rx#0, 50000000, null)"}));
  EXPECT_EQ(api.GetHWSR(), 50000000);
}

TEST_F(SampleRateTest, RateRefusedByTheDeviceStaysSelected) {
  InitAndOpen();
  recorder.Clear();
  rx.set_result("set_samplerate", 3);
  EXPECT_EQ(api.ExtIoSetSrate(3), 1);
  EXPECT_TRUE(Statuses().empty());
  EXPECT_EQ(api.ExtIoGetActualSrateIdx(), 3);
  EXPECT_EQ(api.GetHWSR(), 16000000);
}

TEST_F(SampleRateTest, GetHWSRKeepsEveryRowOnceOpen) {
  InitAndOpen();
  const int rates[] = {8000000, 10000000, 12500000, 16000000, 20000000, 25000000, 32000000, 40000000, 50000000};
  for (int row = 0; row < 9; ++row) {
    ASSERT_EQ(api.ExtIoSetSrate(row), 0);
    EXPECT_EQ(api.GetHWSR(), rates[row]);
    EXPECT_EQ(api.ExtIoGetActualSrateIdx(), row);
  }
}

// ---- settings ----

using SettingsTest = PluginTest;

std::string Value(const ExtioEntryPoints& api, int number) {
  char key[1024] = {}, value[1024] = {};
  if (api.ExtIoGetSetting(number, key, value) != 0) return "(none)";
  return std::string(key) + "=" + value;
}

struct RestoreCase {
  int number;
  const char* text;
  int read_back;           // setting number to read back; -1 reads the LO
  const char* expected;    // "key=value" or the LO in decimal
};

// Restores after an accepted identifier, each on the defaults of a fresh plug-in.
const RestoreCase RestoreCases[] = {
    {1, "-4", 1, "SampleRateIdx=0"},   {1, "0", 1, "SampleRateIdx=0"},
    {1, "12", 1, "SampleRateIdx=8"},   {1, "abc", 1, "SampleRateIdx=0"},
    {1, " 7 MHz", 1, "SampleRateIdx=7"}, {2, "3", 2, "SamplingMode=0"},
    {3, "2", 3, "ExternalClock=1"},    {3, "-1", 3, "ExternalClock=0"},
    {3, "0", 3, "ExternalClock=0"},    {4, "4", 4, "LNAGain=0"},
    {4, "-1", 4, "LNAGain=0"},         {4, "3", 4, "LNAGain=3"},
    {5, "32", 5, "VGAGain=0"},         {5, "31", 5, "VGAGain=31"},
    {6, "50000000", -1, "50000000"},   {6, "49999999.9", -1, "100000000"},
    {6, "6000000000.5", -1, "100000000"}, {6, "100000000.7", -1, "100000000"},
    {6, "1e8", -1, "100000000"},       {6, "145e6", -1, "145000000"},
    {6, "6e9", -1, "6000000000"},      {6, "inf", -1, "100000000"},
    {6, "nan", -1, "100000000"},       {6, "garbage", -1, "100000000"},
    {7, "1", 1, "SampleRateIdx=5"},    {-1, "1", 1, "SampleRateIdx=5"},
    {1, nullptr, 1, "SampleRateIdx=5"}, {6, nullptr, -1, "100000000"},
};

TEST_F(SettingsTest, RestoresRowByRow) {
  for (const RestoreCase& c : RestoreCases) {
    SCOPED_TRACE(std::to_string(c.number) + " \"" + (c.text ? c.text : "(null)") + "\"");
    TearDown();
    SetUp();
    api.ExtIoSetSetting(0, "Kelvo SDR");
    api.ExtIoSetSetting(c.number, c.text);
    std::string got = c.read_back < 0 ? std::to_string(api.GetHWLO64()) : Value(api, c.read_back);
    EXPECT_EQ(got, c.expected);
  }
}

TEST_F(SettingsTest, IdentifierGatesEveryOtherNumber) {
  api.ExtIoSetSetting(1, "3");
  EXPECT_EQ(api.ExtIoGetActualSrateIdx(), 5) << "taken before the identifier";
  for (const char* wrong : {"kelvo sdr", "Kelvo SDR ", " Kelvo SDR", "Kelvo", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(wrong ? wrong : "(null)");
    api.ExtIoSetSetting(0, wrong);
    api.ExtIoSetSetting(1, "3");
    EXPECT_EQ(api.ExtIoGetActualSrateIdx(), 5);
  }
  api.ExtIoSetSetting(0, "Kelvo SDR");
  api.ExtIoSetSetting(1, "3");
  EXPECT_EQ(api.ExtIoGetActualSrateIdx(), 3);
  // Any other identifier closes the gate again.
  api.ExtIoSetSetting(0, "Other");
  api.ExtIoSetSetting(1, "7");
  api.ExtIoSetSetting(6, "2e8");
  EXPECT_EQ(api.ExtIoGetActualSrateIdx(), 3);
  EXPECT_EQ(api.GetHWLO64(), 100000000);
}

TEST_F(SettingsTest, OffersNumbersZeroToFiveOnly) {
  EXPECT_EQ(Value(api, 0), "Identifier=Kelvo SDR");
  for (int number : {6, 7, -1, INT32_MIN}) {
    SCOPED_TRACE(number);
    char key[8], value[8];
    memset(key, 'k', sizeof key);
    memset(value, 'v', sizeof value);
    EXPECT_EQ(api.ExtIoGetSetting(number, key, value), -1);
    EXPECT_EQ(std::string(key, 8), "kkkkkkkk");
    EXPECT_EQ(std::string(value, 8), "vvvvvvvv");
  }
}

TEST_F(SettingsTest, SaveAndRestoreCycle) {
  api.ExtIoSetSetting(0, "Kelvo SDR");
  api.ExtIoSetSetting(1, "7");
  api.ExtIoSetSetting(3, "1");
  api.ExtIoSetSetting(4, "2");
  api.ExtIoSetSetting(5, "17");
  std::vector<std::pair<std::string, std::string>> saved;
  for (int number = 0; number <= 5; ++number) {
    char key[1024], value[1024];
    ASSERT_EQ(api.ExtIoGetSetting(number, key, value), 0);
    saved.emplace_back(key, value);
  }
  // The next session: a fresh plug-in, the stored pairs replayed from 0.
  TearDown();
  SetUp();
  for (int number = 0; number <= 5; ++number) api.ExtIoSetSetting(number, saved[number].second.c_str());
  EXPECT_EQ(Value(api, 1), "SampleRateIdx=7");
  EXPECT_EQ(Value(api, 2), "SamplingMode=0");
  EXPECT_EQ(Value(api, 3), "ExternalClock=1");
  EXPECT_EQ(Value(api, 4), "LNAGain=2");
  EXPECT_EQ(Value(api, 5), "VGAGain=17");
  // Restored values are held, not sent: nothing reached a device.
  EXPECT_TRUE(Journal().empty()) << Lines(Journal());
}

}  // namespace
