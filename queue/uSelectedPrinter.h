// SelectedPrinter: the printer whose queue the main window shows. Only its
// watcher posts job lists and only its jobs are analysed.
//
// Threads: set by the main thread, read by watchers and parse requests.
#pragma once

#include <string>
#include <string_view>

namespace ostrovel {

std::u16string SelectedPrinter();
void SetSelectedPrinter(std::u16string_view name);
// Whether name is the selected printer (letter case aside).
bool IsSelectedPrinter(std::u16string_view name);

}  // namespace ostrovel
