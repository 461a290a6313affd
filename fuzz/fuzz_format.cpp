// Any bytes as a tune format string, expanded against a tune with every kind of field.
#include <cstdint>
#include <string>

#include "tunefile/TuneFormat.h"
#include "tunefile/TuneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tunora::TuneFile* file = [] {
    auto* f = new tunora::TuneFile;
    f->name = "/home/me/Tunes/Reels.abc";
    f->SplitTunes(
        "X:12\nT:First\nT:Second\nN:one\nN:two\\{\\aa}\nH:a\nb\nC:\xe9&<>\nK:G\n"
        "abc|\nW:words\n\nafter\n",
        true, 0, false);
    return f;
  }();
  std::string_view format(reinterpret_cast<const char*>(data), size);
  tunora::FormatEnv env;
  env.shortDatePattern = size > 3 ? std::string(format.substr(0, 3)) : "yy-mm-dd";
  tunora::FormatOptions opts;
  opts.readEscapes = size > 0 && (data[0] & 1);
  opts.html = size > 0 && (data[0] & 2);
  opts.tex = size > 0 && (data[0] & 4);
  std::vector<std::string> extra = {"one", "two"};
  std::string out;
  tunora::ExpandFormat(out, format, file->TuneAt(1), size % 3 - 1, opts, &env, extra);
  tunora::ExpandFormat(out, format, nullptr, -1, opts, &env);
  return 0;
}
