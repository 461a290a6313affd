#include "platform/canvas/SvgCanvas.h"

#include <QPainterPath>
#include <QRawFont>
#include <charconv>
#include <cmath>

#include "base/TextEncoding.h"

namespace tunora {
namespace {

void Num(std::string& out, long v) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, end);
}

void Attr(std::string& out, const char* name, long v) {
  out += ' ';
  out += name;
  out += "=\"";
  Num(out, v);
  out += '"';
}

void Escaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
}

long R(double v) { return std::lround(v); }

}  // namespace

SvgCanvas::SvgCanvas(int32_t pageWidth, int32_t pageHeight, int32_t unitsPerInch)
    : width_(pageWidth), height_(pageHeight), unitsPerInch_(unitsPerInch) {}

void SvgCanvas::Clear() {
  defs_.clear();
  body_.clear();
  glyphs_.clear();
  faces_.clear();
}

const std::string& SvgCanvas::GlyphPath(const std::string& key, const CanvasFont& font, uint8_t c) {
  auto known = paths_.find({key, c});
  if (known != paths_.end()) return known->second;
  QFont qfont = QtCanvas::MakeFont(font);
  QRawFont raw = QRawFont::fromFont(qfont);
  QString text = QtCanvas::SymbolText(QFontMetricsF(qfont), c);
  QList<quint32> indexes = raw.glyphIndexesForString(text);
  QPainterPath path;
  if (!indexes.isEmpty()) path = raw.pathForGlyph(indexes.front());
  std::string d;
  for (int i = 0; !path.isEmpty() && i < path.elementCount(); ++i) {
    QPainterPath::Element e = path.elementAt(i);
    if (e.isMoveTo()) {
      if (i > 0) d += 'Z';
      d += 'M';
    } else if (e.isLineTo()) {
      d += 'L';
    } else if (e.isCurveTo()) {
      d += 'C';
    } else {
      d += ' ';
    }
    Num(d, R(e.x));
    d += ' ';
    Num(d, R(e.y));
  }
  return paths_[{key, c}] = std::move(d);
}

const std::string* SvgCanvas::GlyphId(const CanvasFont& font, uint8_t c) {
  std::string key = font.face + '/' + std::to_string(font.height);
  auto found = glyphs_.find({key, c});
  if (found != glyphs_.end()) return found->second.empty() ? nullptr : &found->second;
  auto face = faces_.emplace(key, static_cast<int>(faces_.size())).first;
  std::string id = "s" + std::to_string(face->second) + "_" + std::to_string(c);
  const std::string& d = GlyphPath(key, font, c);
  if (d.empty()) {
    glyphs_[{key, c}] = std::string();
    return nullptr;
  }
  defs_ += "<path id=\"" + id + "\" d=\"";
  defs_ += d;
  defs_ += "Z\"/>\n";
  return &(glyphs_[{key, c}] = id);
}

void SvgCanvas::DrawChar(const CanvasFont& font, int32_t x, int32_t y, uint8_t c) {
  if (!font.symbol) {
    DrawText(font, x, y, std::string_view(reinterpret_cast<const char*>(&c), 1));
    return;
  }
  const std::string* id = GlyphId(font, c);
  if (id == nullptr) return;
  body_ += "<use xlink:href=\"#" + *id + '"';
  Attr(body_, "x", x);
  Attr(body_, "y", -static_cast<long>(y));
  body_ += "/>\n";
}

void SvgCanvas::DrawText(const CanvasFont& font, int32_t x, int32_t y, std::string_view text) {
  if (text.empty()) return;
  if (font.symbol) {
    for (char c : text) {
      DrawChar(font, x, y, static_cast<uint8_t>(c));
      x += CharBox(font, static_cast<uint8_t>(c)).advance;
    }
    return;
  }
  body_ += "<text";
  Attr(body_, "x", x);
  Attr(body_, "y", -static_cast<long>(y));
  body_ += " font-family=\"";
  Escaped(body_, font.face);
  body_ += '"';
  Attr(body_, "font-size", font.height);
  if (font.bold) body_ += " font-weight=\"bold\"";
  if (font.italic) body_ += " font-style=\"italic\"";
  if (font.underline) body_ += " text-decoration=\"underline\"";
  body_ += " xml:space=\"preserve\">";
  Escaped(body_, DecodeText(text, TextEncoding::kUtf8));
  body_ += "</text>\n";
}

void SvgCanvas::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t thickness) {
  body_ += "<path stroke=\"#000\" d=\"M";
  Num(body_, x1);
  body_ += ' ';
  Num(body_, -static_cast<long>(y1));
  body_ += 'L';
  Num(body_, x2);
  body_ += ' ';
  Num(body_, -static_cast<long>(y2));
  body_ += '"';
  Attr(body_, "stroke-width", std::max(1, thickness));
  body_ += "/>\n";
}

void SvgCanvas::DrawPolygon(const CanvasPoint* points, size_t count) {
  if (count < 3) return;
  body_ += "<path d=\"";
  for (size_t i = 0; i < count; ++i) {
    body_ += i == 0 ? 'M' : 'L';
    Num(body_, points[i].x);
    body_ += ' ';
    Num(body_, -static_cast<long>(points[i].y));
  }
  body_ += "Z\"/>\n";
}

void SvgCanvas::DrawEllipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, bool filled,
                            int32_t thickness) {
  body_ += "<ellipse";
  Attr(body_, "cx", cx);
  Attr(body_, "cy", -static_cast<long>(cy));
  Attr(body_, "rx", rx);
  Attr(body_, "ry", ry);
  if (!filled) {
    body_ += " fill=\"none\" stroke=\"black\"";
    Attr(body_, "stroke-width", std::max(1, thickness));
  }
  body_ += "/>\n";
}

std::string SvgCanvas::Document() const {
  std::string out;
  out.reserve(defs_.size() + body_.size() + 600);
  const double perMm = unitsPerInch_ / 25.4;
  char size[96];
  std::snprintf(size, sizeof size, "width=\"%.2fmm\" height=\"%.2fmm\"", width_ / perMm,
                height_ / perMm);
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" ";
  out += size;
  out += " viewBox=\"0 0 ";
  Num(out, width_);
  out += ' ';
  Num(out, height_);
  out += "\">\n<title>Tunora</title>\n";
  out += "<defs>\n" + defs_ + "</defs>\n";
  out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  out += body_;
  out += "</svg>\n";
  return out;
}

}  // namespace tunora
