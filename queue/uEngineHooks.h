// Connects the print-system layer to the engine's error log and language
// texts. Call once at start-up, before any watcher runs.
#pragma once

namespace ostrovel {

void InstallEngineHooks();

}  // namespace ostrovel
