#include "gui/app/CPrefPage.h"

#include "base/TextEncoding.h"

namespace tunora {

namespace {
TextEncoding EncodingOf(const std::string& bytes) {
  return IsValidUtf8(bytes) ? TextEncoding::kUtf8 : TextEncoding::kCp1252;
}
}  // namespace

QString CPrefPage::TextOf(const std::string& bytes) {
  return QString::fromStdString(DecodeText(bytes, EncodingOf(bytes)));
}

std::string CPrefPage::BytesOf(const std::string& original, const QString& text) {
  if (TextOf(original) == text) return original;
  return EncodeText(text.toStdString(), EncodingOf(original));
}

QString CPrefPage::MultiLineTextOf(const std::string& bytes) { return TextOf(CrLfToLf(bytes)); }

std::string CPrefPage::MultiLineBytesOf(const std::string& original, const QString& text) {
  if (MultiLineTextOf(original) == text) return original;
  return LfToCrLf(EncodeText(text.toStdString(), EncodingOf(original)));
}

}  // namespace tunora
