// The command-line host's run session against a fresh plug-in and the
// simulated receivers: what it records and reports against what the plug-in
// and the device were told; its settings file; its refusals. Also the pure
// pieces it is built from: options, settings text, JSON text, the writer queue.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>

#include "extio_host/block_writer.h"
#include "extio_host/run_session.h"
#include "extio_host/settings_file.h"
#include "extio_host/sigmf_meta.h"
#include "host/import_patch.h"
#include "tests/plugin_fixture.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The number after "key": in a meta text (the first occurrence).
double MetaNumber(const std::string& meta, const std::string& key) {
  size_t at = meta.find("\"" + key + "\":");
  return at == std::string::npos ? -1 : std::strtod(meta.c_str() + at + key.size() + 3, nullptr);
}

// The string after "key": (test values hold no escapes).
std::string MetaText(const std::string& meta, const std::string& key) {
  size_t at = meta.find("\"" + key + "\": \"");
  if (at == std::string::npos) return "<missing>";
  at += key.size() + 5;
  return meta.substr(at, meta.find('"', at) - at);
}

class ExtioHostTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    scratch =
        ProgramDirectory() + "extio_host_scratch\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(scratch);
    options.out_dir = scratch;
    options.base_name = "rec";
    options.seconds = 0.5;
    options.show_progress = false;
  }

  int64_t Delivered() const { return rx.Stats().blocks_delivered + sdr.Stats().blocks_delivered; }
  KelvoSimDeviceState Device(SimulatedLibrary& library) const {
    KelvoSimDeviceState state{};
    library.get_device_state(0, &state);
    return state;
  }
  std::string Setting(ExtioEntryPoints& plugin_api, int number) {
    char key[1025] = {}, value[1025] = {};
    plugin_api.ExtIoGetSetting(number, key, value);
    return value;
  }
  std::string Summary(const RunReport& report) {
    std::string text = report.failure;
    for (const std::string& note : report.notes) text += "\n  note: " + note;
    return text;
  }

  std::string scratch;
  RunOptions options;
};

TEST_F(ExtioHostTest, RfSessionRecordsWhatThePluginReportsAndTheDeviceWasTold) {
  options.device_row = 0;
  options.rate_hz = 8e6;
  options.lo_hz = 145000000;
  options.vga_gain = 12;
  options.seconds = 0.8;
  options.record_seconds = 0.25;  // less than the stream
  RunReport report = RunSession(*plugin, options);
  ASSERT_EQ(report.exit_code, ExitOk) << Summary(report);

  EXPECT_EQ(report.blocks, Delivered()) << "every block the library made reached the host";
  EXPECT_EQ(report.samples, report.blocks * 32768);
  EXPECT_EQ(report.short_blocks, 0);
  EXPECT_EQ(report.lost_blocks, 0);
  EXPECT_EQ(report.recorded_samples, 2000000) << "0.25 s at 8 MS/s, cut inside a block";
  EXPECT_GT(report.samples, report.recorded_samples);
  EXPECT_EQ(std::filesystem::file_size(report.data_path), 2000000u * 8);

  const std::string meta = ReadFile(report.meta_path);
  EXPECT_EQ(MetaText(meta, "core:datatype"), "cf32_le");
  EXPECT_EQ(MetaNumber(meta, "core:sample_rate"), api.GetHWSR());
  EXPECT_EQ(MetaNumber(meta, "core:sample_rate"), 8e6);
  EXPECT_EQ(MetaNumber(meta, "core:frequency"), static_cast<double>(api.GetHWLO64()));
  EXPECT_EQ(MetaNumber(meta, "core:frequency"), 145e6);
  EXPECT_EQ(MetaNumber(meta, "core:sample_start"), 0);
  EXPECT_EQ(MetaText(meta, "extio:serial"), "RX1");
  EXPECT_EQ(MetaText(meta, "extio:board"), "hw: r.2.1 fw: v.1.4.0");
  EXPECT_EQ(MetaText(meta, "extio:input"), "RF");

  KelvoSimDeviceState device = Device(rx);
  EXPECT_EQ(device.sample_rate_hz, 8e6);
  EXPECT_EQ(device.frequency_hz, 145e6);
  EXPECT_EQ(device.direct_sampling, 0);
  EXPECT_EQ(device.vga_gain, 12) << "the gain went through the dialog to the receiver";
  EXPECT_EQ(report.vga_gain, 12);
  EXPECT_GE(report.notifications[StatusSampleRateChanged], 1);
  EXPECT_EQ(report.notifications[StatusGainChanged], 1);
}

TEST_F(ExtioHostTest, Hf1SessionOnTheSecondLibraryRecordsTheRealSignalAtHalfTheRate) {
  options.device_row = 1;  // the sdr library's receiver
  options.rate_row = 1;    // 10 MHz
  options.input = InputMode::HF1;
  options.lo_hz = 145000000;  // not used in direct sampling
  RunReport report = RunSession(*plugin, options);
  ASSERT_EQ(report.exit_code, ExitOk) << Summary(report);

  EXPECT_EQ(report.blocks, Delivered());
  EXPECT_EQ(report.lost_blocks, 0);
  EXPECT_EQ(report.recorded_samples, report.samples);
  ASSERT_EQ(std::filesystem::file_size(report.data_path), static_cast<uintmax_t>(report.samples) * 8);

  const std::string meta = ReadFile(report.meta_path);
  EXPECT_EQ(MetaNumber(meta, "core:sample_rate"), api.GetHWSR());
  EXPECT_EQ(MetaNumber(meta, "core:sample_rate"), 10e6);
  EXPECT_EQ(MetaNumber(meta, "core:frequency"), static_cast<double>(api.GetHWLO64()));
  EXPECT_EQ(MetaNumber(meta, "core:frequency"), 5e6) << "half the rate, read back after the LO notification";
  EXPECT_GE(report.notifications[StatusLOChanged], 1);
  EXPECT_EQ(MetaText(meta, "extio:serial"), "SDR1 (rapix)");
  EXPECT_EQ(MetaText(meta, "extio:input"), "HF1 direct sampling");
  EXPECT_EQ(MetaNumber(meta, "extio:device_row"), 1);

  KelvoSimDeviceState device = Device(sdr);
  EXPECT_EQ(device.open, 0) << "closed at the end";
  EXPECT_EQ(device.sample_rate_hz, 10e6);
  EXPECT_EQ(device.direct_sampling, 1);

  // The blocks as the plug-in shaped them: every Q value +0.0.
  std::ifstream data(report.data_path, std::ios::binary);
  std::vector<uint32_t> words(static_cast<size_t>(report.samples) * 2);
  data.read(reinterpret_cast<char*>(words.data()), static_cast<std::streamsize>(words.size() * 4));
  size_t nonzero_q = 0, nonzero_i = 0;
  for (size_t n = 0; n < words.size(); n += 2) {
    nonzero_i += (words[n] & 0x7FFFFFFF) != 0;
    nonzero_q += words[n + 1] != 0;
  }
  EXPECT_EQ(nonzero_q, 0u);
  EXPECT_GT(nonzero_i, words.size() / 4);
}

// Run 1 sets gains and rate; the file it saves, shuffled and hand-edited,
// gives them back to a fresh plug-in in run 2, which sets none of them.
TEST_F(ExtioHostTest, SettingsAreSavedAndRestoredIdentifierFirst) {
  options.lna_gain = 2;
  options.vga_gain = 20;
  options.rate_row = 3;  // 16 MHz
  options.seconds = 0.3;
  options.record_seconds = 0.0;
  RunReport first = RunSession(*plugin, options);
  ASSERT_EQ(first.exit_code, ExitOk) << Summary(first);
  EXPECT_TRUE(first.data_path.empty()) << "nothing recorded";
  EXPECT_FALSE(std::filesystem::exists(scratch + "\\rec.sigmf-data"));
  ASSERT_EQ(first.settings_path, scratch + "\\extio_host_settings.ini");

  std::vector<std::string> lines;
  std::istringstream saved(ReadFile(first.settings_path));
  for (std::string line; std::getline(saved, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 7u) << Lines(lines);
  EXPECT_EQ(lines[1], "0=Identifier=Kelvo SDR");
  EXPECT_EQ(lines[2], "1=SampleRateIdx=3");
  EXPECT_EQ(lines[5], "4=LNAGain=2");
  EXPECT_EQ(lines[6], "5=VGAGain=20");

  // Identifier last, CR-LF ends, a note and a stray line: the reader still
  // hands the identifier over first, or the plug-in would ignore the rest.
  std::string edited = "; edited by hand\r\nnot a setting\r\n";
  for (size_t i = lines.size() - 1; i >= 1; --i) edited += lines[i] + "\r\n";
  WriteFile(first.settings_path, edited);

  std::string error;
  std::unique_ptr<ExtioPlugin> second_plugin =
      ExtioPlugin::LoadFreshCopy(ProgramDirectory() + "ExtIO_KelvoSDR.dll", &error);
  ASSERT_TRUE(second_plugin) << error;
  ASSERT_EQ(Setting(second_plugin->api, 5), "0") << "a fresh plug-in starts from its defaults";
  RunOptions plain;
  plain.out_dir = scratch;
  plain.seconds = 0.3;
  plain.record_seconds = 0.0;
  plain.show_progress = false;
  RunReport second = RunSession(*second_plugin, plain);
  ASSERT_EQ(second.exit_code, ExitOk) << Summary(second);
  EXPECT_EQ(second.settings_restored, 6);
  EXPECT_EQ(second.vga_gain, 20) << "the dialog shows the restored gain";
  EXPECT_EQ(second.lna_gain, 2);
  EXPECT_EQ(Setting(second_plugin->api, 5), "20");
  EXPECT_EQ(second.sample_rate_hz, 16000000);
  EXPECT_EQ(Device(rx).sample_rate_hz, 16e6) << "the restored rate reached the receiver at OpenHW";
  EXPECT_NE(ReadFile(first.settings_path).find("\n5=VGAGain=20\n"), std::string::npos) << "saved again";
}

UINT_PTR WINAPI NoDialog(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM) { return 0; }

TEST_F(ExtioHostTest, WithoutAControlDialogTheDialogOptionsAreReportedNotApplied) {
  ASSERT_NE(PatchImport(plugin->module(), "user32.dll", "CreateDialogParamW", reinterpret_cast<void*>(NoDialog)),
            nullptr);
  options.input = InputMode::HF1;
  options.vga_gain = 7;
  options.device_row = 1;
  RunReport report = RunSession(*plugin, options);
  EXPECT_EQ(report.exit_code, ExitOk) << Summary(report);
  EXPECT_GT(report.blocks, 0);
  ASSERT_EQ(report.notes.size(), 3u) << Summary(report);
  EXPECT_EQ(report.notes[0], "--device not applied: the plug-in has no control dialog");
  EXPECT_EQ(report.notes[1], "--input not applied: the plug-in has no control dialog");
  EXPECT_EQ(report.notes[2], "--vga not applied: the plug-in has no control dialog");
  EXPECT_EQ(MetaText(ReadFile(report.meta_path), "extio:input"), "");
  EXPECT_EQ(Device(rx).direct_sampling, 0);
}

TEST_F(ExtioHostTest, RefusalsEndTheRunWithTheirExitCodeAndLeaveNoRecording) {
  struct Refusal {
    const char* what;
    std::function<void(RunOptions&)> arrange;
    int exit_code;
  };
  const Refusal refusals[] = {
      {"no receivers",
       [this](RunOptions&) {
         rx.set_devices("");
         sdr.set_devices("");
       },
       ExitNoDevice},
      {"open fails", [this](RunOptions&) { rx.set_result("open", -1); }, ExitOpenRefused},
      {"rate not offered", [](RunOptions& o) { o.rate_hz = 7e6; }, ExitOpenRefused},
      {"no such device row", [](RunOptions& o) { o.device_row = 2; }, ExitOpenRefused},
      {"VGA beyond the slider", [](RunOptions& o) { o.vga_gain = 32; }, ExitOpenRefused},
      {"chosen device will not open",
       [this](RunOptions& o) {
         sdr.set_result("open", -1);
         o.device_row = 1;
       },
       ExitStartRefused},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.what);
    ASSERT_EQ(rx.reset(), 0);
    ASSERT_EQ(sdr.reset(), 0);
    rx.set_devices("RX1");
    sdr.set_devices("SDR1");
    std::string error;
    std::unique_ptr<ExtioPlugin> fresh = ExtioPlugin::LoadFreshCopy(ProgramDirectory() + "ExtIO_KelvoSDR.dll", &error);
    ASSERT_TRUE(fresh) << error;
    RunOptions o = options;
    refusal.arrange(o);
    RunReport report = RunSession(*fresh, o);
    EXPECT_EQ(report.exit_code, refusal.exit_code) << Summary(report);
    EXPECT_FALSE(report.failure.empty());
    EXPECT_EQ(report.blocks, 0);
    EXPECT_FALSE(std::filesystem::exists(scratch + "\\rec.sigmf-data"));
    EXPECT_EQ(rx.Stats().reads_running + sdr.Stats().reads_running, 0);
  }
}

// The writer's queue: a block that finds no free buffer is lost and counted,
// and the written data records where the stream jumped.
TEST(BlockWriterTest, ABlockFindingThePoolFullIsLostAndTheGapRecorded) {
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  bool first = true;
  std::vector<float> written;
  BlockWriter writer(
      [&](const void* bytes, size_t size) {
        if (first) {
          first = false;
          entered.set_value();
          released.wait();
        }
        const float* values = static_cast<const float*>(bytes);
        written.insert(written.end(), values, values + size / sizeof(float));
        return true;
      },
      2, 4);
  const float block[4][8] = {
      {1, 1, 1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2, 2, 2}, {3, 3, 3, 3, 3, 3, 3, 3}, {4, 4, 4, 4, 4, 4, 4, 4}};
  ASSERT_TRUE(writer.Push(block[0], 4, 0));
  entered.get_future().wait();  // the writer holds buffer 1 in the sink
  ASSERT_TRUE(writer.Push(block[1], 4, 4));
  EXPECT_FALSE(writer.Push(block[2], 4, 8)) << "both buffers taken";
  release.set_value();
  // Poll until a buffer is free again.
  while (!writer.Push(block[3], 2, 12)) Sleep(1);
  EXPECT_TRUE(writer.Finish());
  EXPECT_GE(writer.lost_blocks(), 1);
  EXPECT_EQ(writer.samples_written(), 10);
  ASSERT_EQ(written.size(), 20u);
  EXPECT_EQ(written[0], 1);
  EXPECT_EQ(written[8], 2);
  EXPECT_EQ(written[16], 4);
  ASSERT_EQ(writer.segments().size(), 2u);
  EXPECT_EQ(writer.segments()[0].file_sample, 0);
  EXPECT_EQ(writer.segments()[0].stream_sample, 0);
  EXPECT_EQ(writer.segments()[1].file_sample, 8);
  EXPECT_EQ(writer.segments()[1].stream_sample, 12);
}

TEST(SettingsTextTest, ReadsBackWhatItWritesAndToleratesHandEdits) {
  const std::vector<SettingPair> pairs = {{0, "Identifier", "Kelvo SDR"},
                                          {1, "Key=With=Equals", "a=b"},
                                          {2, "Path", "C:\\dir\\n"},
                                          {3, "Lines", "one\ntwo\r"},
                                          {12, "Empty", ""},
                                          {4, "Spaces", "  kept  "}};
  std::vector<SettingPair> back = ParseSettingsText(FormatSettingsText(pairs, "comment"));
  ASSERT_EQ(back.size(), pairs.size());
  for (const SettingPair& pair : back) {
    auto original =
        std::find_if(pairs.begin(), pairs.end(), [&](const SettingPair& p) { return p.number == pair.number; });
    ASSERT_NE(original, pairs.end());
    EXPECT_EQ(pair.key, original->key);
    EXPECT_EQ(pair.value, original->value);
  }
  EXPECT_EQ(back.back().number, 12) << "in number order";

  struct Case {
    const char* text;
    std::vector<std::pair<int, std::string>> expected;  // number, value
  } cases[] = {
      {"\xEF\xBB\xBF"
       "5=VGAGain=20\r\n0=Identifier=Kelvo SDR\r\n",
       {{0, "Kelvo SDR"}, {5, "20"}}},
      {"# note\n; note\n\n  \nnot a pair\n=Key=1\nx=Key=1\n7 Key 1\n", {}},
      {"3=A=1\n3=A=2\n", {{3, "2"}}},
      {"  4 =LNAGain=3", {{4, "3"}}},
      {"6=LO", {}},
      {"6=LO=", {{6, ""}}},
      {"99999999999=Big=1\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<SettingPair> parsed = ParseSettingsText(c.text);
    ASSERT_EQ(parsed.size(), c.expected.size());
    for (size_t i = 0; i < parsed.size(); ++i) {
      EXPECT_EQ(parsed[i].number, c.expected[i].first);
      EXPECT_EQ(parsed[i].value, c.expected[i].second);
    }
  }
}

TEST(SigmfMetaTest, StringsAreValidJsonWhateverTheBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"KV1R0001", "\"KV1R0001\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"tab\tline\ncr\r\x01", "\"tab\\tline\\ncr\\u000d\\u0001\""},
      {"K\xC3\xB6ln", "\"K\xC3\xB6ln\""},                // UTF-8 kept
      {"K\xF6ln", "\"K\xC3\xB6ln\""},                    // a Latin-1 byte becomes its character
      {"\xE2\x82", "\"\xC3\xA2\xC2\x82\""},              // a cut sequence: byte by byte
      {"\xC0\xAF", "\"\xC3\x80\xC2\xAF\""},              // an overlong form is no UTF-8
      {"\xED\xA0\x80", "\"\xC3\xAD\xC2\xA0\xC2\x80\""},  // nor is a surrogate
      {std::string("a\0b", 3), "\"a\\u0000b\""},
  };
  for (const auto& [bytes, json] : cases) EXPECT_EQ(JsonString(bytes), json) << bytes;
}

TEST(RunOptionsTest, ParsesEveryOptionAndRefusesMistakes) {
  RunOptions o;
  std::string error;
  ASSERT_TRUE(ParseRunOptions({"--plugin",
                               "x.dll",
                               "--device",
                               "1",
                               "--rate",
                               "12.5M",
                               "--input",
                               "hf2",
                               "--lo",
                               "1.2G",
                               "--seconds",
                               "0.5",
                               "--lna",
                               "3",
                               "--vga",
                               "31",
                               "--out",
                               "d",
                               "--name",
                               "n",
                               "--settings",
                               "s.ini",
                               "--record-seconds",
                               "0",
                               "--queue-blocks",
                               "8",
                               "--quiet"},
                              &o, &error))
      << error;
  EXPECT_EQ(o.plugin_path, "x.dll");
  EXPECT_EQ(o.device_row, 1);
  EXPECT_EQ(*o.rate_hz, 12.5e6);
  EXPECT_EQ(o.input, InputMode::HF2);
  EXPECT_EQ(*o.lo_hz, 1200000000);
  EXPECT_EQ(o.seconds, 0.5);
  EXPECT_EQ(o.lna_gain, 3);
  EXPECT_EQ(o.vga_gain, 31);
  EXPECT_EQ(o.settings_path, "s.ini");
  EXPECT_EQ(*o.record_seconds, 0);
  EXPECT_EQ(o.queue_blocks, 8);
  EXPECT_FALSE(o.show_progress);

  const std::vector<std::vector<std::string>> mistakes = {
      {"--rate"},           {"--rate", "fast"}, {"--rate", "8M", "--rate-row", "1"},
      {"--input", "vhf"},   {"--seconds", "0"}, {"--seconds", "-1"},
      {"--device", "-1"},   {"--lo", "145MHz"}, {"--queue-blocks", "0"},
      {"--frequency", "1"}, {"--vga", "1.5"},
  };
  for (const std::vector<std::string>& words : mistakes) {
    RunOptions ignored;
    EXPECT_FALSE(ParseRunOptions(words, &ignored, &error)) << words[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
