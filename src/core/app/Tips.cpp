#include "app/Tips.h"

#include "base/FileIO.h"

namespace tunora {

bool TipsText::Load(const std::string& path) {
  std::string error;
  text_.clear();
  return ReadWholeFile(path, text_, error);
}

bool TipsText::Find(int n, std::string& tip) const {
  if (text_.empty() || n < 1) return false;
  std::string marker = "TIP #" + std::to_string(n) + ":\r\n";
  size_t at = text_.find(marker);
  size_t start = at + marker.size();
  if (at == std::string::npos) {
    // Files edited on this system may have lost their CRs.
    marker.erase(marker.size() - 2, 1);
    at = text_.find(marker);
    if (at == std::string::npos) return false;
    start = at + marker.size();
  }
  size_t end = text_.find("<<>>", start);
  tip = text_.substr(start, end == std::string::npos ? std::string::npos : end - start);
  return true;
}

bool TipsText::Show(int n, std::string& tip, int& shown) {
  if (!Find(n, tip)) {
    if (n == 1 || !Find(1, tip)) return false;
    n = 1;
  }
  shown = n;
  next_ = n + 1;
  return true;
}

}  // namespace tunora
