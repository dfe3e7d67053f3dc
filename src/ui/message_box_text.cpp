#include "ui/message_box_text.h"

#include <algorithm>
#include <iterator>

namespace tamsel {

std::string WithoutCarriageReturns(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  std::copy_if(text.begin(), text.end(), std::back_inserter(result), [](char c) { return c != '\r'; });
  while (!result.empty() && result.back() == '\n') {
    result.pop_back();
  }
  return result;
}

}  // namespace tamsel
