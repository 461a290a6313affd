// The tune editor's logic over any bytes: a tune read into the header form and
// rebuilt reads back to the same form; colouring spans stay inside their line and
// in order; comment toggling, raw field setting, field cleaning and key help never
// fail on any input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "editor/AbcColouring.h"
#include "editor/EditorText.h"
#include "editor/KeyHelp.h"
#include "editor/TuneForm.h"
#include "tunefile/Fields.h"
#include "tunefile/TuneFile.h"

namespace {

// The form of the first tune of a text, and the text the editor rebuilds from it.
bool FormOf(std::string_view text, tunora::TuneForm& form, std::string& rebuilt) {
  tunora::TuneFile file;
  file.SplitTunes(text, true, 0, false);
  if (file.TuneCount() == 0) return false;
  const tunora::TuneRecord& tune = *file.TuneAt(1);
  form.Fill(tune);
  rebuilt = form.Rebuild(tune.body, tune.words.value_or(std::string()));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);

  // Rebuilding is stable: what the editor saves reads back to the same form.
  tunora::TuneForm first(std::string(tunora::kDefaultFieldOrder), "1110000");
  std::string once;
  if (FormOf(text, first, once)) {
    tunora::TuneForm second(std::string(tunora::kDefaultFieldOrder), "1110000");
    std::string twice;
    if (!FormOf(once, second, twice)) std::abort();
    tunora::TuneForm third(std::string(tunora::kDefaultFieldOrder), "1110000");
    std::string thrice;
    if (!FormOf(twice, third, thrice) || thrice != twice) std::abort();
    // Editing operations on the form.
    const size_t half = size / 2;
    second.SetField('N', text.substr(0, half), true);
    second.SetField('K', text.substr(half), false);
    int at = second.InsertPlaceholder(static_cast<int>(size % 4) - 1);
    if (at >= 0) second.ChoosePlaceholder(at, 'Z', std::string(text.substr(0, 8)));
    for (int i = 0; i < static_cast<int>(second.lines.size()); ++i) {
      second.Store(i, text.substr(i % (size + 1)));
    }
    second.Cut(0);
    second.Cut(static_cast<int>(second.lines.size()) - 1);
  }

  // Colouring: spans in order, not overlapping, inside the line.
  tunora::AbcLineColourer colourer;
  bool header = true;
  size_t start = 0;
  while (start <= size) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = size;
    std::string_view line = text.substr(start, end - start);
    if (header && tunora::AbcLineColourer::EndsHeader(line)) header = false;
    size_t last = 0;
    for (const tunora::ColourSpan& span : colourer.Colour(line, header)) {
      if (span.start < last || span.start + span.length > line.size()) std::abort();
      last = span.start + span.length;
    }
    start = end + 1;
  }

  // Text helpers.
  std::string toggled = tunora::ToggleComment(text);
  if (!text.empty() && text[0] != '%' && tunora::ToggleComment(toggled) != text) std::abort();
  tunora::SetRawField(text, 'T', "A title", size % 2 == 0);
  tunora::SetRawField(text, 'W', text.substr(0, size / 3), true);
  tunora::ErrorCursor errors;
  errors.Set(std::string(text));
  for (int i = 0; i < 1000 && !errors.AtEnd(); ++i) errors.Next();
  for (char letter : std::string_view("XTKMLQRN")) tunora::CleanFieldValue(letter, text);
  tunora::DescribeKey(text.substr(0, 40));
  tunora::SplitPastedFields(text);
  return 0;
}
