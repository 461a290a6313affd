// Commands on the playback engine: midi (the MIDI file of a tune, or of every tune),
// events (the merged live-play track as the debug listing shows it) and check (the
// error list of a build). Each takes --set KEY=VALUE to override a Midi setting.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>
#include <condition_variable>
#include <deque>
#include <optional>
#include <atomic>
#include <unordered_map>
#include <vector>

#include "Environment.h"
#include "base/Parallel.h"
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

// The tune as the player window writes it to a MIDI file, which is all that is
// wanted here.
bool BuildForFile(TuneBuild& build, const MidiSettings& m, const TuneRecord& tune) {
  const StyleSet& styles = StyleSet::Application();
  PlaySettings ps = build.Gather(m, tune, styles);
  ps.fileOnly = true;
  const int passes = ps.repeat;
  return build.BuildForFile(std::move(ps), styles, passes);
}

constexpr const char* kBuildFailed = "the tune cannot be played (Repeat is 0)";

// The file name a tune is written to by midi --all: "X-Title.mid".
std::string MidiFileNameFor(const TuneRecord& tune) {
  std::string name = std::to_string(tune.number);
  std::string title = CleanFileName(tune.titles.empty() ? std::string() : tune.titles.front());
  if (!title.empty()) name += "-" + title;
  return name + ".mid";
}

// Tunes handed from the thread that reads the file to the threads that build them,
// each with what became of it.
class TuneQueue {
 public:
  struct Item {
    Item(const TuneRecord& t, std::string n) : tune(&t), name(std::move(n)) {}
    const TuneRecord* tune;
    const std::string name;                // of its MIDI file
    std::atomic<bool> superseded = false;  // a later tune has the same file name
    std::string error;                     // of its build or write
  };

  // The item stays where it is while more are pushed.
  Item& Push(const TuneRecord& tune, std::string name) {
    Item* item = nullptr;
    {
      std::lock_guard lock(lock_);
      item = &items_.emplace_back(tune, std::move(name));
    }
    ready_.notify_one();
    return *item;
  }
  // No more tunes come.
  void Close() {
    {
      std::lock_guard lock(lock_);
      closed_ = true;
    }
    ready_.notify_all();
  }
  // The index-th tune read (from 0), once it is there; null when no more come.
  Item* Wait(size_t index) {
    std::unique_lock lock(lock_);
    ready_.wait(lock, [&] { return index < items_.size() || closed_; });
    return index < items_.size() ? &items_[index] : nullptr;
  }
  // Once closed: every item.
  std::deque<Item>& Items() { return items_; }

 private:
  std::mutex lock_;
  std::condition_variable ready_;
  std::deque<Item> items_;
  bool closed_ = false;
};

// The folder midi --all writes to. It is opened once and each file is made by its
// own name in it, which spares the system walking the whole path for every one of
// thousands. The system makes the files of one folder one after the other, so one
// thread writes at a time: a thread that finds another writing leaves its file to
// that one and goes on building.
class OutputFolder {
 public:
  explicit OutputFolder(std::string dir) : dir_(std::move(dir)) {
    if (!dir_.empty() && dir_.back() != '/') dir_ += '/';
  }
  ~OutputFolder() {
    if (fd_ >= 0) close(fd_);
  }
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  // Makes the folder and those above it where they are missing, and opens it.
  void Make() {
    if (made_) return;
    made_ = true;
    std::error_code ec;
    std::filesystem::create_directories(dir_, ec);
    fd_ = open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }

  // Writes bytes as the item's new file, now or from the thread writing; the item
  // (which must last until Finish) gets the message of a failure.
  void Write(TuneQueue::Item& item, std::string bytes) {
    if (!writing_.try_lock()) {
      std::lock_guard lock(leftLock_);
      left_.push_back({&item, std::move(bytes)});
      return;
    }
    WriteNow(item, bytes);
    WriteLeft();
    writing_.unlock();
  }
  // Writes what other threads left; once no other thread writes.
  void Finish() { WriteLeft(); }

 private:
  struct Left {
    TuneQueue::Item* item;
    std::string bytes;
  };

  void WriteLeft() {
    std::vector<Left> taken;
    for (;;) {
      {
        std::lock_guard lock(leftLock_);
        taken.swap(left_);
      }
      if (taken.empty()) return;
      for (Left& l : taken) WriteNow(*l.item, l.bytes);
      taken.clear();
    }
  }

  // The file in one write; a failed write removes what it left.
  // A tune whose name a later tune has taken is not written: as the later one is
  // marked before it is handed over, its file comes after any written here.
  void WriteNow(TuneQueue::Item& item, std::string_view bytes) {
    if (item.superseded) return;
    const std::string& name = item.name;
    const int fd =
        fd_ < 0 ? -1 : openat(fd_, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      item.error = "Cannot write \"" + dir_ + name + "\".";
      return;
    }
    bool written = true;
    for (size_t done = 0; written && done < bytes.size();) {
      const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n > 0)
        done += static_cast<size_t>(n);
      else if (n == 0 || errno != EINTR)
        written = false;
    }
    if (close(fd) != 0 || !written) {
      unlinkat(fd_, name.c_str(), 0);
      item.error = "Cannot write \"" + dir_ + name + "\": the disk may be full.";
    }
  }

  std::string dir_;  // ends with '/'
  bool made_ = false;
  int fd_ = -1;
  std::mutex writing_;
  std::mutex leftLock_;
  std::vector<Left> left_;
};

// Writes every tune of the file at path as "X-Title.mid" in the folder out. The
// tunes are built on a few threads while the file is still being read. Where two
// tunes give the same file name the folder ends as if they had been written one
// after the other: the later tune's file stays.
int WriteAllTunes(const std::string& path, Environment& env, const std::string& out) {
  // The file, its tunes' names and outcomes are left to the system at the end rather
  // than taken apart one by one.
  TuneFile& file = KeepUntilExit(std::make_unique<TuneFile>());
  TuneQueue& queue = KeepUntilExit(std::make_unique<TuneQueue>());
  OutputFolder folder(out);  // made when the first tune is read
  // Names are made and compared by the reading thread, in file order. An earlier
  // tune of a name is marked before the later one is handed over.
  using Latest = std::unordered_map<std::string_view, TuneQueue::Item*>;
  Latest& latest = KeepUntilExit(std::make_unique<Latest>());  // the last tune of a name
  // Room for the names of a file of tunes of a few hundred bytes, made at once.
  std::error_code sizeError;
  const auto bytes = std::filesystem::file_size(path, sizeError);
  if (!sizeError) latest.reserve(std::min<uintmax_t>(bytes / 256, 1u << 20));
  auto read = [&](const TuneRecord& tune) {
    folder.Make();
    std::string name = MidiFileNameFor(tune);
    auto earlier = latest.find(name);
    if (earlier != latest.end()) earlier->second->superseded = true;
    TuneQueue::Item& item = queue.Push(tune, std::move(name));
    if (earlier != latest.end())
      earlier->second = &item;
    else
      latest.emplace(item.name, &item);
  };
  auto write = [&](TuneBuild& build, TuneQueue::Item& item) {
    if (!BuildForFile(build, env.settings.midi, *item.tune))
      item.error = "X:" + std::to_string(item.tune->number) + ": " + kBuildFailed;
    else
      folder.Write(item, MidiFileBytes(build.Perf()));
  };
  std::atomic<size_t> next{0};
  bool loaded = false;
  OnThreads(CoreCount(), [&](bool calling) {
    if (calling) {
      struct CloseAtEnd {
        TuneQueue& queue;
        ~CloseAtEnd() { queue.Close(); }
      } closeAtEnd{queue};
      loaded = LoadTuneFile(path, env, env.TuneOptions(), file, read);
    }
    std::optional<TuneBuild> build;  // the file header is in place once a tune is
    for (TuneQueue::Item* item; (item = queue.Wait(next.fetch_add(1))) != nullptr;) {
      if (item->superseded) continue;
      if (!build) build.emplace(FileHeaderText(file), &UserSymbols::Application());
      write(*build, *item);
    }
  });
  folder.Finish();
  if (!loaded) return 1;
  if (file.TuneCount() == 0) return NoTunes(path);
  // A tune that cannot be written is reported and the others still are; a tune
  // whose file a later one takes is not reported.
  std::vector<std::string> errors;
  for (TuneQueue::Item& item : queue.Items())
    if (!item.error.empty() && !item.superseded) errors.push_back(std::move(item.error));
  if (errors.empty()) return 0;
  std::sort(errors.begin(), errors.end());
  for (size_t k = 0; k + 1 < errors.size(); ++k) Fail(errors[k]);
  return Fail(errors.back() + " (" + std::to_string(errors.size()) + " of " +
              std::to_string(latest.size()) + " files not written)");
}

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
  if (all) {
    if (!LoadEnvironment(a, env) || !ApplyMidiSets(a, env.settings)) return 1;
    return WriteAllTunes(a.positional[0], env, out);
  }
  TuneFile file;
  if (!Setup(a, env, file)) return 1;
  int n = 0;
  if (!Position(a, file, n)) return 1;
  TuneBuild build(FileHeaderText(file), &UserSymbols::Application());
  std::string error;
  if (!BuildForFile(build, env.settings.midi, *file.TuneAt(n))) return Fail(kBuildFailed);
  if (!WriteMidiFile(build.Perf(), out, error)) return Fail(error);
  return 0;
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
