// Any bytes as a layout file: ParseFormat must not fail, and what WriteFormat makes
// of the result must read back to the same settings and write the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "draw/FormatSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tunora::FormatSettings fs = tunora::FormatSettings::FromText(text);
  std::string written = tunora::WriteFormat(fs);
  tunora::FormatSettings back = tunora::FormatSettings::FromText(written);
  // Fonts that only the layout pages set are not in the text.
  back.lyricsAfterFont = fs.lyricsAfterFont;
  back.exprFont = fs.exprFont;
  // A page text that is off is written without its font, and page numbers that are
  // off without theirs.
  if (fs.pageHeader.empty()) back.pageHeaderFont = fs.pageHeaderFont;
  if (fs.pageFooter.empty()) back.pageFooterFont = fs.pageFooterFont;
  if (fs.pageHeader.empty()) back.pageHeaderAlign = fs.pageHeaderAlign;
  if (fs.pageFooter.empty()) back.pageFooterAlign = fs.pageFooterAlign;
  if (!fs.pageNumbers) {
    back.pageNumberFont = fs.pageNumberFont;
    back.pageNumberAlign = fs.pageNumberAlign;
    back.pageNumberBottom = fs.pageNumberBottom;
    back.firstPageNumber = fs.firstPageNumber;
  }
  // A block font whose style the tune-header font has switched on cannot switch it
  // off again in text; such blocks are left out of the comparison.
  bool comparable = true;
  for (const tunora::HeaderBlock& b : fs.headers) {
    if ((fs.headerFont.bold && !b.font.bold) || (fs.headerFont.italic && !b.font.italic) ||
        (fs.headerFont.underline && !b.font.underline) || b.fields.empty() ||
        b.fields.find_first_of(" \r\n") != std::string::npos)
      comparable = false;
  }
  // Values the text form cannot carry: negative sizes and page numbers past 2^31,
  // and faces or fields with a space at either end.
  if (comparable && !(back == fs)) {
    bool exotic = fs.firstPageNumber > 1000000000u || fs.staffSize != back.staffSize;
    if (!exotic) std::abort();
  }
  if (comparable && tunora::WriteFormat(back) != written) std::abort();
  size_t pos = 0;
  tunora::ParseDecimal(text, pos);
  return 0;
}
