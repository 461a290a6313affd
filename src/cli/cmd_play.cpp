// Commands on the playback engine: midi (the MIDI file of a tune, or of every tune),
// events (the merged live-play track as the debug listing shows it) and check (the
// error list of a build). Each takes --set KEY=VALUE to override a Midi setting.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "Environment.h"
#include "play/MidiFileWriter.h"
#include "play/Performance.h"
#include "play/PlaySettings.h"
#include "play/StyleSet.h"
#include "play/TuneBuild.h"

namespace tunora::cli {
namespace {

bool Setup(const Args& a, Environment& env, TuneFile& file) {
  if (!LoadEnvironment(a, env) || !ApplyMidiSets(a, env.settings)) return false;
  return LoadTuneFile(a.positional[0], env, file);
}

bool Position(const Args& a, const TuneFile& file, int& n) {
  if (ParsePosition(a.positional[1], 1, file.TuneCount(), n)) return true;
  Fail("no tune " + a.positional[1] + " in " + a.positional[0] + " (it has " +
       std::to_string(file.TuneCount()) + ")");
  return false;
}

// The tune as the player window writes it to a MIDI file.
bool BuildForFile(TuneBuild& build, const MidiSettings& m, const TuneRecord& tune) {
  const StyleSet& styles = StyleSet::Application();
  const PlaySettings ps = build.Gather(m, tune, styles);
  return build.BuildForFile(ps, styles, ps.repeat);
}

int WriteAllTunes(const Environment& env, const TuneFile& file, const std::string& dir);

constexpr const char* kBuildFailed = "the tune cannot be played (Repeat is 0)";

int Midi(const Args& given) {
  // "-o OUT" arrives as two words among the positional ones.
  Args a = given;
  std::string out = a.Get("--out");
  for (size_t i = 0; i + 1 < a.positional.size(); ++i) {
    if (a.positional[i] == "-o") {
      out = a.positional[i + 1];
      a.positional.erase(a.positional.begin() + static_cast<std::ptrdiff_t>(i),
                         a.positional.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      break;
    }
  }
  const bool all = a.Has("--all");
  if (a.positional.size() != (all ? 1u : 2u) || out.empty())
    return Fail(
        "usage: tunora-cli midi FILE N -o OUT.mid | midi FILE --all -o DIR [--set KEY=VALUE]...");
  Environment env;
  TuneFile file;
  if (!Setup(a, env, file)) return 1;
  TuneBuild build(FileHeaderText(file), &UserSymbols::Application());
  std::string error;
  if (!all) {
    int n = 0;
    if (!Position(a, file, n)) return 1;
    if (!BuildForFile(build, env.settings.midi, *file.TuneAt(n))) return Fail(kBuildFailed);
    if (!WriteMidiFile(build.Perf(), out, error)) return Fail(error);
    return 0;
  }
  if (file.TuneCount() == 0) return NoTunes(a.positional[0]);
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  std::string dir = out;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return WriteAllTunes(env, file, dir);
}

// Writes every tune as "X-Title.mid" in dir. The tunes are shared out among a few
// threads; where two tunes give the same file name, only the later one is built, so
// the folder ends as if they had been written one after the other.
int WriteAllTunes(const Environment& env, const TuneFile& file, const std::string& dir) {
  struct Job {
    const TuneRecord* tune;
    std::string path;
  };
  std::vector<Job> jobs;
  std::unordered_map<std::string, size_t> byPath;
  for (size_t k = 1; k <= file.TuneCount(); ++k) {
    const TuneRecord& tune = *file.TuneAt(static_cast<int>(k));
    std::string name = std::to_string(tune.number);
    std::string title = CleanFileName(tune.titles.empty() ? std::string() : tune.titles.front());
    if (!title.empty()) name += "-" + title;
    std::string path = dir + name + ".mid";
    auto [at, fresh] = byPath.try_emplace(path, jobs.size());
    if (fresh) {
      jobs.push_back({&tune, std::move(path)});
    } else {
      jobs[at->second].tune = &tune;
    }
  }
  const unsigned workers = std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, 8);
  const size_t threads = std::min<size_t>(workers, (jobs.size() + 63) / 64);
  // A tune that cannot be written is reported and the others still are.
  std::atomic<size_t> next{0};
  std::mutex errorLock;
  std::vector<std::string> errors;
  auto work = [&] {
    TuneBuild build(FileHeaderText(file), &UserSymbols::Application());
    std::string error;
    for (size_t i; (i = next.fetch_add(1)) < jobs.size();) {
      if (!BuildForFile(build, env.settings.midi, *jobs[i].tune)) {
        error = "X:" + std::to_string(jobs[i].tune->number) + ": " + kBuildFailed;
      } else if (WriteNewMidiFile(build.Perf(), jobs[i].path, error)) {
        continue;
      }
      std::lock_guard lock(errorLock);
      errors.push_back(error);
    }
  };
  std::vector<std::thread> pool;
  for (size_t t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  if (errors.empty()) return 0;
  std::sort(errors.begin(), errors.end());
  for (size_t k = 0; k + 1 < errors.size(); ++k) Fail(errors[k]);
  return Fail(errors.back() + " (" + std::to_string(errors.size()) + " of " +
              std::to_string(jobs.size()) + " files not written)");
}

int Events(const Args& a) {
  if (a.positional.size() != 2)
    return Fail("usage: tunora-cli events FILE N [--speed P] [--set KEY=VALUE]...");
  Environment env;
  TuneFile file;
  int n = 0;
  if (!Setup(a, env, file) || !Position(a, file, n)) return 1;
  int speed = env.settings.midi.speedPercent;
  if (a.Has("--speed")) {
    int p = 0;
    if (!ParsePosition(a.Get("--speed"), 1, 65535, p)) return Fail("--speed takes 1 to 65535");
    speed = p;
  }
  TuneBuild build(FileHeaderText(file), &UserSymbols::Application());
  if (!build.Build(env.settings.midi, *file.TuneAt(n), StyleSet::Application(), true,
                   std::max(1, speed)))
    return Fail(kBuildFailed);
  return WriteOut(FormatEventListing(build.Perf().Voices()[0].Events()))
             ? 0
             : Fail("cannot write the output");
}

int Check(const Args& a) {
  if (a.positional.empty() || a.positional.size() > 2)
    return Fail("usage: tunora-cli check FILE [N] [--set KEY=VALUE]...");
  Environment env;
  TuneFile file;
  if (!Setup(a, env, file)) return 1;
  TuneBuild build(FileHeaderText(file), &UserSymbols::Application());
  const int speed = std::max(1, env.settings.midi.speedPercent);
  std::string out;
  if (a.positional.size() == 2) {
    int n = 0;
    if (!Position(a, file, n)) return 1;
    if (!build.Build(env.settings.midi, *file.TuneAt(n), StyleSet::Application(), true, speed))
      return Fail(kBuildFailed);
    out = build.Perf().ErrorText();
  } else {
    for (size_t k = 1; k <= file.TuneCount(); ++k) {
      const TuneRecord& tune = *file.TuneAt(static_cast<int>(k));
      if (!build.Build(env.settings.midi, tune, StyleSet::Application(), true, speed))
        return Fail(kBuildFailed);
      if (build.Perf().ErrorCount() == 0) continue;
      out += "== " + std::to_string(k) + " " + std::to_string(tune.number) + " " +
             (tune.titles.empty() ? std::string() : tune.titles.front()) + "\n";
      out += build.Perf().ErrorText();
    }
  }
  return WriteOut(env.ForPeople(out)) ? 0 : Fail("cannot write the output");
}

const Register kMidi({"midi",
                      "midi FILE N -o OUT.mid | midi FILE --all -o DIR [--set KEY=VALUE]...",
                      {"--all"},
                      {"--out", "--set"},
                      Midi});
const Register kEvents(
    {"events", "events FILE N [--speed P] [--set KEY=VALUE]...", {}, {"--speed", "--set"}, Events});
const Register kCheck({"check", "check FILE [N] [--set KEY=VALUE]...", {}, {"--set"}, Check});

}  // namespace
}  // namespace tunora::cli
