// A command-line ExtIO host: loads a plug-in as a host program does and
//   lists what it offers,
//   saves a picture of its control dialog while streaming, or
//   streams for a while, recording SigMF (see UsageText).
#include <cstdio>
#include <memory>

#include "extio_host/commands.h"
#include "extio_host/run_session.h"
#include "extio_host/run_summary.h"

int RunCommand(const RunOptions& given) {
  RunOptions options = given;
  if (options.plugin_path.empty()) options.plugin_path = DefaultPluginPath();
  std::string error;
  std::unique_ptr<ExtioPlugin> plugin = ExtioPlugin::Load(options.plugin_path, &error);
  if (!plugin) {
    fprintf(stderr, "%s\n", error.c_str());
    return ExitPluginUnusable;
  }
  RunReport report = RunSession(*plugin, options);
  PrintRunSummary(report, stdout);
  return report.exit_code;
}

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  const std::string command = words.empty() ? "list" : words[0];
  for (const std::string& word : words)
    if (word == "--help" || word == "-h" || word == "help") {
      fputs(UsageText(), stdout);
      return ExitOk;
    }
  if (command == "list" && words.size() <= 2) return ListCommand(words.size() == 2 ? words[1] : DefaultPluginPath());
  if (command == "screenshot" && (words.size() == 2 || words.size() == 3))
    return ScreenshotCommand(words[1], words.size() == 3 ? words[2] : DefaultPluginPath());
  if (command == "run") {
    RunOptions options;
    std::string error;
    if (ParseRunOptions({words.begin() + 1, words.end()}, &options, &error)) return RunCommand(options);
    fprintf(stderr, "extio_host run: %s\n\n", error.c_str());
  }
  fputs(UsageText(), stderr);
  return ExitUsage;
}
