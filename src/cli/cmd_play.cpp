// Commands on the playback engine: midi (the MIDI file of a tune, or of every tune),
// events (the merged live-play track as the debug listing shows it) and check (the
// error list of a build). Each takes --set KEY=VALUE to override a Midi setting.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Environment.h"
#include "base/FileIO.h"
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
// each with what became of it. The reading keeps a little ahead of the building, and
// the records of built tunes are read into again, so that the memory in use stays
// that of a few tunes however big the file.
class TuneQueue {
 public:
  struct Item {
    Item(std::unique_ptr<TuneRecord> t, std::string n)
        : number(t->number), tune(std::move(t)), name(std::move(n)) {}
    const int32_t number;                  // X:
    std::unique_ptr<TuneRecord> tune;      // until it is built
    const std::string name;                // of its MIDI file
    std::atomic<bool> superseded = false;  // a later tune has the same file name
    std::string error;                     // of its build or write
  };

  // The item stays where it is while more are pushed.
  Item& Push(std::unique_ptr<TuneRecord> tune, std::string name) {
    Item* item = nullptr;
    {
      std::lock_guard lock(lock_);
      item = &items_.emplace_back(std::move(tune), std::move(name));
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
  // The next tune not yet taken, once there is one (with wait) or if there is one
  // now; null when no more come (or, without wait, none is there).
  Item* Take(bool wait) {
    std::unique_lock lock(lock_);
    if (wait) ready_.wait(lock, [&] { return taken_ < items_.size() || closed_; });
    return taken_ < items_.size() ? &items_[taken_++] : nullptr;
  }
  // The item is done with: its record can be read into again.
  void Done(Item& item) {
    std::lock_guard lock(lock_);
    ++done_;
    if (item.tune && spare_.size() < kAhead) spare_.push_back(std::move(item.tune));
    item.tune.reset();
  }
  // Tunes read and not yet done with.
  size_t Ahead() {
    std::lock_guard lock(lock_);
    return items_.size() - done_;
  }
  // A record of a tune done with, or null.
  std::unique_ptr<TuneRecord> Spare() {
    std::lock_guard lock(lock_);
    if (spare_.empty()) return nullptr;
    std::unique_ptr<TuneRecord> record = std::move(spare_.back());
    spare_.pop_back();
    return record;
  }
  // Once closed: every item.
  std::deque<Item>& Items() { return items_; }

  static constexpr size_t kAhead = 64;

 private:
  std::mutex lock_;
  std::condition_variable ready_;
  std::deque<Item> items_;
  size_t taken_ = 0;
  size_t done_ = 0;
  std::vector<std::unique_ptr<TuneRecord>> spare_;
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
int WriteAllTunes(const Args& a, const std::string& out) {
  const std::string& path = a.positional[0];
  Environment env;
  // The tunes' names and outcomes are left to the system at the end rather than
  // taken apart one by one.
  TuneQueue& queue = KeepUntilExit(std::make_unique<TuneQueue>());
  OutputFolder folder(out);  // made when the first tune is read
  std::string header;        // the file header, in place before the first tune
  // Names are made and compared by the reading thread, in file order. An earlier
  // tune of a name is marked before the later one is handed over.
  using Latest = std::unordered_map<std::string_view, TuneQueue::Item*>;
  Latest& latest = KeepUntilExit(std::make_unique<Latest>());  // the last tune of a name
  auto push = [&](std::unique_ptr<TuneRecord> tune) {
    folder.Make();
    std::string name = MidiFileNameFor(*tune);
    auto earlier = latest.find(name);
    if (earlier != latest.end()) earlier->second->superseded = true;
    TuneQueue::Item& item = queue.Push(std::move(tune), std::move(name));
    if (earlier != latest.end())
      earlier->second = &item;
    else
      latest.emplace(item.name, &item);
  };
  auto write = [&](TuneBuild& build, TuneQueue::Item& item) {
    if (!BuildForFile(build, env.settings.midi, *item.tune))
      item.error = "X:" + std::to_string(item.number) + ": " + kBuildFailed;
    else
      folder.Write(item, MidiFileBytes(build.Perf()));
  };
  // A tune taken up is built and written unless a later one has its name.
  auto take = [&](std::optional<TuneBuild>& build, TuneQueue::Item& item) {
    if (!item.superseded) {
      if (!build) build.emplace(header, &UserSymbols::Application());
      write(*build, item);
    }
    queue.Done(item);
  };
  // The other threads start while the settings and the file are read.
  std::string bytes, error;
  bool set = false, read = false;
  size_t count = 0;
  OnThreads(CoreCount(), [&](bool calling) {
    std::optional<TuneBuild> build;
    if (calling) {
      struct CloseAtEnd {
        TuneQueue& queue;
        ~CloseAtEnd() { queue.Close(); }
      } closeAtEnd{queue};
      set = LoadEnvironment(a, env) && ApplyMidiSets(a, env.settings);
      read = set && ReadWholeFile(path, bytes, error);
      if (!read) return;
      latest.reserve(std::min<size_t>(bytes.size() / 256, size_t{1} << 20));
      count = TuneFile::ReadTunes(bytes, env.TuneOptions().convertTeX, header,
                                  [&](std::unique_ptr<TuneRecord> tune) {
                                    push(std::move(tune));
                                    // Well ahead of the building, the reader builds too.
                                    while (queue.Ahead() >= TuneQueue::kAhead) {
                                      TuneQueue::Item* item = queue.Take(false);
                                      if (item == nullptr) break;
                                      take(build, *item);
                                    }
                                    return queue.Spare();
                                  });
    }
    while (TuneQueue::Item* item = queue.Take(true)) take(build, *item);
  });
  folder.Finish();
  if (!set) return 1;
  if (!read) return Fail(error);
  if (count == 0) return NoTunes(path);
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
  if (all) return WriteAllTunes(a, out);
  Environment env;
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
