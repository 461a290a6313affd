// What the tune-tool tests share: a small chord-type table and a one-call rewrite.
#pragma once

#include <string>

#include "play/StyleSet.h"
#include "tools/TuneRewriter.h"

namespace tunora::test {

// Major, minor, seventh and a second name for minor (which Chordwise must not
// offer twice).
inline const StyleSet& ToolStyles() {
  static const StyleSet styles = [] {
    StyleSet s;
    unsigned line = 0;
    s.Parse(
        "chord { name ; notes 0 4 7;}\nchord { name m; notes 0 3 7;}\n"
        "chord { name 7; notes 0 4 7 10;}\nchord { name min; notes 0 3 7;}\n"
        "chord { name dim; notes 0 3 6;}\n",
        line);
    return s;
  }();
  return styles;
}

// The body rewritten with options, for a tune in key with L:1/8 and M:4/4.
inline RewriteResult RewriteBody(const std::string& body, const RewriteOptions& options,
                                 const std::string& key = "C", const std::string& unit = "1/8",
                                 const std::string& meter = "4/4") {
  TuneRewriter rewriter(ToolStyles());
  TuneTexts t;
  t.key = key;
  t.meter = meter;
  t.unitLength = unit;
  t.body = body;
  return rewriter.Rewrite(t, options);
}

}  // namespace tunora::test
