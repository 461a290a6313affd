// Any bytes must split, parse, write and read back without a crash, and the written
// form must be stable.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "tunefile/TuneFormat.h"
#include "tunefile/TeX.h"
#include "tunefile/TuneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  bool tex = size > 0 && (data[0] & 1);
  tunora::TuneFileOptions opts;
  opts.convertTeX = tex;
  opts.cvtTeXEsc = size > 0 && (data[0] & 2);
  tunora::TuneFile f(opts);
  f.SplitTunes(text, true, 0, tex);
  // Read tune by tune (MIDI files in bulk), the text gives the same tunes and header.
  std::string header;
  size_t seen = 0;
  const size_t read =
      tunora::TuneFile::ReadTunes(text, tex, header, [&](std::unique_ptr<tunora::TuneRecord> r) {
        const tunora::TuneRecord* want = f.TuneAt(static_cast<int>(++seen));
        if (want == nullptr || r->number != want->number || r->titles != want->titles ||
            r->body != want->body || r->afterText != want->afterText)
          std::abort();
        return r;
      });
  if (read != f.TuneCount() || header != f.headerText.value_or("")) std::abort();
  std::string once = f.WriteFile();
  tunora::TuneFile g(opts);
  g.SplitTunes(once, true, 0, tex);
  std::string twice = g.WriteFile();
  if (!tex && g.TuneCount() != f.TuneCount()) std::abort();
  // The written form is stable for tunes with a K: line. (Without K:, the header
  // never ends, so a history field may take the body's lines on reading back.)
  bool allKeyed = true;
  for (size_t k = 1; k <= f.TuneCount(); ++k)
    allKeyed = allKeyed && f.TuneAt(static_cast<int>(k))->HasField('K');
  if (!tex && allKeyed && twice != once) std::abort();

  // The document operations on whatever came out.
  f.Paste(static_cast<int>(size % 3), text);
  f.InsertTune(1);
  f.DeleteTunes({1, 2});
  f.Undo();
  tunora::FormatEnv env;
  tunora::FormatOptions fo;
  fo.readEscapes = true;
  for (size_t k = 1; k <= f.TuneCount() && k < 8; ++k)
    tunora::ExpandFormat(text.substr(0, 64), f.TuneAt(static_cast<int>(k)), 0, fo, &env);
  std::string s(text);
  tunora::TeXDecode(s);
  tunora::TeXEncode(s, true);
  return 0;
}
