#include "uSelectedPrinter.h"

#include <mutex>

#include "uSpoolName.h"

namespace ostrovel {

namespace {
std::mutex lock;
std::u16string selected;
}  // namespace

std::u16string SelectedPrinter() {
  std::lock_guard hold(lock);
  return selected;
}

void SetSelectedPrinter(std::u16string_view name) {
  std::lock_guard hold(lock);
  selected = name;
}

bool IsSelectedPrinter(std::u16string_view name) {
  std::lock_guard hold(lock);
  return !selected.empty() && SameText(selected, name);
}

}  // namespace ostrovel
