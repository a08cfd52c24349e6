// The program's settings stores: per-user (window state, language, multiple
// instances, below "Interface") and per-machine (installation data).
//
// Threads: main thread; each QSettings belongs to the thread that made it.
#pragma once

#include <QSettings>
#include <memory>
#include <string>

namespace ostrovel {

std::unique_ptr<QSettings> UserSettings();
std::unique_ptr<QSettings> MachineSettings();

// "Interface/AllowMultipleInstances": true only for a non-zero number (or a
// true flag); absent or unusable values mean one instance.
bool ReadAllowMultipleInstances(const QSettings& user);

// "Interface/Language", empty when absent or not text.
std::string ReadLanguageSetting(const QSettings& user);

}  // namespace ostrovel
